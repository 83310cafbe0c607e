#pragma once

#include "ProgramSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The program session of the X11 suites: temporary XDG folders of its own, and the CLIPBOARD
// through xclip.
class StashwickSession : public ProgramSession {
public:
    StashwickSession() {
        QDir().mkpath(m_home.filePath("run"));
        QFile::setPermissions(m_home.filePath("run"), QFileDevice::ReadOwner |
                                                          QFileDevice::WriteOwner |
                                                          QFileDevice::ExeOwner);
    }
    ~StashwickSession() override {
        stopInstance(); // before its folders go
        if (m_xclip) {
            m_xclip->kill();
            m_xclip->waitForFinished();
        }
    }

    QString homePath(const QString& name) const { return m_home.filePath(name); }

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

protected:
    QProcessEnvironment sessionEnv() const override {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("XDG_DATA_HOME", m_home.filePath("data"));
        e.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        e.insert("XDG_RUNTIME_DIR", m_home.filePath("run"));
        return e;
    }

private:
    QTemporaryDir m_home;
    std::unique_ptr<QProcess> m_xclip;
};
