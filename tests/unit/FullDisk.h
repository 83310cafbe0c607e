#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <unistd.h>

// A small tmpfs of its own, mounted for the life of the object, that a test can fill to the
// brim. Mounting needs root: `why()` says why it is not mounted, for a QSKIP.
class FullDisk {
public:
    FullDisk() {
        if (::geteuid() != 0) {
            m_why = QStringLiteral("needs root to mount a small tmpfs (CI runs as root)");
            return;
        }
        const int rc =
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=128k"), QStringLiteral("tmpfs"), m_dir.path()});
        if (rc != 0) {
            m_why = QStringLiteral("cannot mount a tmpfs on %1").arg(m_dir.path());
            return;
        }
        m_mounted = true;
    }
    ~FullDisk() {
        if (m_mounted) {
            QProcess::execute(QStringLiteral("umount"), {m_dir.path()});
        }
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const QString& why() const { return m_why; }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Takes every free byte, so that the next write fails with "no space left".
    bool fill() const {
        QFile filler(path(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return false;
        }
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        const QByteArray byte(1, 'f');
        while (filler.write(byte) == 1) {
        }
        return true;
    }

    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QString m_why;
    bool m_mounted = false;
};
