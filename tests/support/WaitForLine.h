#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTest>

// Waits, the event loop running, until `p` has printed a line ending in `line`; what it
// printed meanwhile is added to `buffer`, which the caller keeps for the next wait.
inline bool waitForLine(QProcess& p, QByteArray& buffer, const QByteArray& line, int ms = 10000) {
    return QTest::qWaitFor(
        [&] {
            buffer += p.readAllStandardOutput();
            return buffer.contains(line + '\n');
        },
        ms);
}
