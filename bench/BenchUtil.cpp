#include "BenchUtil.h"

#include "store/SqliteDatabase.h"
#include "store/SqliteTransaction.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double statusField(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(static_cast<qsizetype>(qstrlen(field)))
                       .trimmed()
                       .split(' ')
                       .value(0)
                       .toDouble() /
                   1024.0;
        }
    }
    return -1;
}
} // namespace

double BenchUtil::medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double BenchUtil::peakRssMiB() {
    return statusField("VmHWM:");
}

double BenchUtil::rssMiB() {
    return statusField("VmRSS:");
}

void BenchUtil::report(const QString& name, double value, const QString& unit) {
    std::printf("%-48s %10.2f %s\n", qPrintable(name), value, qPrintable(unit));
    std::fflush(stdout);
}

void BenchUtil::insertEvents(SqliteDatabase& db, int count) {
    SqliteTransaction tx(db);
    SqliteStatement ev =
        db.prepare("INSERT INTO event_record (id, slot_index, kind, at) VALUES (?, ?, ?, ?)");
    for (int i = 0; i < count; ++i) {
        ev.bind(1, QStringLiteral("e%1").arg(i));
        ev.bind(2, qint64{i % 10});
        ev.bind(3, i % 2 ? QStringLiteral("copy") : QStringLiteral("paste"));
        ev.bind(4, 1.0 * i);
        ev.step();
        ev.reset();
    }
    tx.commit();
}
