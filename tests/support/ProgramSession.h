#pragma once

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <memory>

// The real program as the end-to-end suites drive it: the stashwick command and the program
// started in the foreground, both with one environment, and the state.json they write.
class ProgramSession {
public:
    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    ProgramSession() = default;
    virtual ~ProgramSession() { stopInstance(); }
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    // The session's environment with `extraEnv` on top.
    QProcessEnvironment env() const {
        QProcessEnvironment e = sessionEnv();
        for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it) {
            e.insert(it.key(), it.value());
        }
        return e;
    }
    QHash<QString, QString> extraEnv;

    QString dataDir() const {
        return env().value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/Stashwick");
    }
    QString stateFile() const { return dataDir() + QStringLiteral("/state.json"); }

    // Runs a program to its end (at most `ms`; killed after that).
    static Run run(const QString& program, const QStringList& args, int ms = 10000,
                   const QByteArray& input = {},
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!input.isEmpty()) {
            p.write(input);
        }
        p.closeWriteChannel();
        if (!p.waitForFinished(ms)) {
            p.kill();
            p.waitForFinished();
            return {-1, p.readAllStandardOutput(), p.readAllStandardError()};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), p.readAllStandardError()};
    }
    // The stashwick command, in the session's environment.
    Run stashwick(const QStringList& args, int ms = 30000) const {
        return run(QStringLiteral(STASHWICK_BIN), args, ms, {}, env());
    }
    bool ok(const QString& url) const { return stashwick({url}).exitCode == 0; }

    // The state as last written (the program writes it after every command and chord).
    QJsonObject state() const {
        QFile f(stateFile());
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                           : QJsonObject();
    }
    // A fresh dump, then the state.
    QJsonObject dump() const {
        stashwick({QStringLiteral("stashwick://dump")});
        return state();
    }
    // Slot `n` and the newest history entry; empty objects when the state has none.
    static QJsonObject slot(const QJsonObject& state, int n) {
        const QJsonArray slots = state[QStringLiteral("slots")].toArray();
        return n >= 0 && n < slots.size() ? slots.at(n).toObject() : QJsonObject();
    }
    QJsonObject slot(int n) const { return slot(state(), n); }
    static QJsonObject newestHistory(const QJsonObject& state) {
        const QJsonArray history = state[QStringLiteral("history")].toArray();
        return history.isEmpty() ? QJsonObject() : history.at(0).toObject();
    }

    // Starts the program in the foreground (`stashwick` with no arguments) and waits for its
    // first state dump, so that no command starts a second instance meanwhile.
    bool startInstance() {
        QFile::remove(stateFile());
        m_instance = std::make_unique<QProcess>();
        m_instance->setProcessEnvironment(env());
        m_instance->setProcessChannelMode(QProcess::MergedChannels);
        m_log.clear();
        m_instance->start(QStringLiteral(STASHWICK_BIN), QStringList());
        return m_instance->waitForStarted() &&
               QTest::qWaitFor([&] { return QFile::exists(stateFile()); }, 15000);
    }
    // Stops it with SIGTERM (SIGKILL 10 s later); returns its whole log.
    QByteArray stopInstance() {
        if (!m_instance) {
            return m_log;
        }
        m_instance->terminate();
        if (!m_instance->waitForFinished(10000)) {
            m_instance->kill();
            m_instance->waitForFinished();
        }
        log();
        m_instance.reset();
        return m_log;
    }
    // What the program logged so far.
    QByteArray log() {
        if (m_instance) {
            m_log += m_instance->readAll();
        }
        return m_log;
    }
    QProcess* instance() const { return m_instance.get(); }
    // The program's resident set in KiB (VmRSS), -1 when it is not running.
    qint64 residentKiB() const {
        if (!m_instance || m_instance->state() != QProcess::Running) {
            return -1;
        }
        QFile f(QStringLiteral("/proc/%1/status").arg(m_instance->processId()));
        if (!f.open(QIODevice::ReadOnly)) {
            return -1;
        }
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').first().toLongLong();
            }
        }
        return -1;
    }

protected:
    // This process's environment; a session with folders of its own puts them in.
    virtual QProcessEnvironment sessionEnv() const {
        return QProcessEnvironment::systemEnvironment();
    }

private:
    std::unique_ptr<QProcess> m_instance;
    QByteArray m_log;
};
