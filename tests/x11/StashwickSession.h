#pragma once

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The pieces the end-to-end tests share: temporary XDG folders, the stashwick command, the
// running program started in the foreground, its state.json, and the CLIPBOARD through xclip.
class StashwickSession {
public:
    StashwickSession() {
        QDir().mkpath(m_home.filePath("run"));
        QFile::setPermissions(m_home.filePath("run"), QFileDevice::ReadOwner |
                                                          QFileDevice::WriteOwner |
                                                          QFileDevice::ExeOwner);
    }
    ~StashwickSession() {
        stopInstance();
        if (m_xclip) {
            m_xclip->kill();
            m_xclip->waitForFinished();
        }
    }

    QProcessEnvironment env() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("XDG_DATA_HOME", m_home.filePath("data"));
        e.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        e.insert("XDG_RUNTIME_DIR", m_home.filePath("run"));
        for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it) {
            e.insert(it.key(), it.value());
        }
        return e;
    }
    // Set for the program and the command on top of the temporary folders.
    QHash<QString, QString> extraEnv;
    QString homePath(const QString& name) const { return m_home.filePath(name); }
    QString dataDir() const {
        return extraEnv.value("XDG_DATA_HOME", m_home.filePath("data")) + "/Stashwick";
    }
    QString stateFile() const { return dataDir() + "/state.json"; }

    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Run stashwick(const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(env());
        p.start(QStringLiteral(STASHWICK_BIN), args);
        p.waitForFinished(30000);
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }
    bool ok(const QString& url) const { return stashwick({url}).exitCode == 0; }

    QJsonObject state() const {
        QFile f(stateFile());
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    // A fresh dump, then the state.
    QJsonObject dump() const {
        stashwick({"stashwick://dump"});
        return state();
    }
    QJsonObject slot(int i) const { return state()["slots"].toArray()[i].toObject(); }

    // Starts the program in the foreground (`stashwick` with no arguments) and waits for its
    // first state dump, so that no command starts a second one meanwhile.
    bool startInstance() {
        QFile::remove(stateFile());
        m_instance = std::make_unique<QProcess>();
        m_instance->setProcessEnvironment(env());
        m_instance->start(QStringLiteral(STASHWICK_BIN), {});
        return m_instance->waitForStarted() &&
               QTest::qWaitFor([&] { return QFile::exists(stateFile()); }, 10000);
    }
    // Stops it with SIGTERM and returns what it logged.
    QByteArray stopInstance() {
        if (!m_instance) {
            return {};
        }
        m_instance->terminate();
        if (!m_instance->waitForFinished(10000)) {
            m_instance->kill();
            m_instance->waitForFinished();
        }
        const QByteArray log = m_instance->readAllStandardError();
        m_instance.reset();
        return log;
    }
    QProcess* instance() const { return m_instance.get(); }

    // Owns the CLIPBOARD through xclip, as another application would.
    bool setClipboard(const QByteArray& bytes, const QString& type = QString()) {
        if (m_xclip) {
            m_xclip->kill();
            m_xclip->waitForFinished();
        }
        m_xclip = std::make_unique<QProcess>();
        QStringList args{"-quiet", "-selection", "clipboard", "-i"};
        if (!type.isEmpty()) {
            args << "-t" << type;
        }
        m_xclip->start("xclip", args);
        m_xclip->write(bytes);
        m_xclip->closeWriteChannel();
        return QTest::qWaitFor(
            [&] { return clipboard(type.isEmpty() ? QString() : type) == bytes; }, 5000);
    }
    QByteArray clipboard(const QString& type = QString()) const {
        QProcess p;
        QStringList args{"-o", "-selection", "clipboard"};
        if (!type.isEmpty()) {
            args << "-t" << type;
        }
        p.start("xclip", args);
        // Until xclip is done: a large content (hundreds of MB) takes seconds to come over,
        // and what arrived before a shorter wait ended would be taken for all of it.
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return "(xclip -o did not finish)";
        }
        return p.readAllStandardOutput();
    }

private:
    QTemporaryDir m_home;
    std::unique_ptr<QProcess> m_instance;
    std::unique_ptr<QProcess> m_xclip;
};
