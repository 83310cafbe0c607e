#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <algorithm>

// Prints timed runs as "`what`: median M ms of N (min A, max B)", the line the end-to-end
// suites report their figures in; nothing for no runs.
inline void printTimings(const QString& what, QList<qint64> ms) {
    if (ms.isEmpty()) {
        return;
    }
    std::sort(ms.begin(), ms.end());
    const qsizetype n = ms.size();
    const double median = n % 2 ? double(ms[n / 2]) : (double(ms[n / 2 - 1]) + ms[n / 2]) / 2;
    qInfo("%s: median %.0f ms of %lld (min %lld, max %lld)", qPrintable(what), median,
          static_cast<long long>(n), ms.first(), ms.last());
}
