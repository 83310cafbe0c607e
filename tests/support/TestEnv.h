#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

// Points the XDG folders at a fresh temporary directory for the life of the object, so a
// test never reads or writes the real home.
class TestEnv {
public:
    TestEnv() {
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", m_dir.filePath(QStringLiteral("run")).toLocal8Bit());
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
