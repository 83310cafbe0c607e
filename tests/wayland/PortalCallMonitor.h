#pragma once

// Counts the calls made to the desktop portal's RemoteDesktop interface on the session bus,
// as dbus-monitor sees them: whoever makes them, the portal cannot hide one.

#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QTest>

class PortalCallMonitor {
public:
    PortalCallMonitor() = default;
    ~PortalCallMonitor() {
        m_monitor.kill();
        m_monitor.waitForFinished();
    }
    PortalCallMonitor(const PortalCallMonitor&) = delete;
    PortalCallMonitor& operator=(const PortalCallMonitor&) = delete;

    // Starts watching; true once dbus-monitor listens.
    bool start(QString* error) {
        m_monitor.start(
            QStringLiteral("dbus-monitor"),
            {"--session", "type='method_call',interface='org.freedesktop.portal.RemoteDesktop'"});
        // The bus names the monitor as soon as it listens.
        if (!QTest::qWaitFor(
                [this] {
                    read();
                    return m_seen.contains("NameAcquired");
                },
                10000)) {
            *error = QStringLiteral("dbus-monitor did not start: ") +
                     QString::fromUtf8(m_monitor.readAllStandardError());
            return false;
        }
        return true;
    }

    // How many calls of `member` ("CreateSession", "Start", "NotifyKeyboardKeycode") were seen.
    int count(const QString& member) {
        read();
        return m_counts.value(member);
    }

private:
    void read() {
        m_seen += m_monitor.readAllStandardOutput();
        qsizetype end;
        while ((end = m_seen.indexOf('\n', m_parsed)) >= 0) {
            const QByteArray line = m_seen.mid(m_parsed, end - m_parsed);
            m_parsed = end + 1;
            const qsizetype member = line.indexOf("; member=");
            if (line.startsWith("method call ") && member >= 0) {
                ++m_counts[QString::fromUtf8(line.mid(member + 9).trimmed())];
            }
        }
    }

    QProcess m_monitor;
    QByteArray m_seen;
    qsizetype m_parsed = 0;
    QHash<QString, int> m_counts;
};
