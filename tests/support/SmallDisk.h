#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <unistd.h>

// A small tmpfs of its own ("128k", "24m"), mounted for the life of the object, with a filler
// file that takes up the free space and gives it back on demand: a real full disk, without
// touching any other. Mounting needs root: `why()` says why it is not mounted, for a QSKIP.
class SmallDisk {
public:
    explicit SmallDisk(const QString& size = QStringLiteral("128k")) {
        if (geteuid() != 0) {
            m_why = QStringLiteral("needs root to mount a small tmpfs (CI runs as root)");
            return;
        }
        const int rc = QProcess::execute(QStringLiteral("mount"),
                                         {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                          QStringLiteral("-o"), QStringLiteral("size=") + size,
                                          QStringLiteral("tmpfs"), m_dir.path()});
        if (rc != 0) {
            m_why = QStringLiteral("cannot mount a tmpfs on %1").arg(m_dir.path());
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk() {
        if (m_mounted) {
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isMounted() const { return m_mounted; }
    const QString& why() const { return m_why; }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Takes every free byte, so that the next write fails with "no space left".
    bool fill() const {
        QFile filler(fillerPath());
        if (!filler.open(QIODevice::Append | QIODevice::Unbuffered)) {
            return false;
        }
        const QByteArray block(64 * 1024, 'f');
        while (filler.write(block) == block.size()) {
        }
        // The last partial block too.
        const QByteArray byte(1, 'f');
        while (filler.write(byte) == 1) {
        }
        return true;
    }
    qint64 freeBytes() const {
        QStorageInfo info(m_dir.path());
        info.refresh();
        return info.bytesAvailable();
    }
    // Gives `bytes` of the filler back.
    void release(qint64 bytes) const {
        QFile filler(fillerPath());
        filler.resize(std::max<qint64>(0, filler.size() - bytes));
    }
    // Gives all the space back.
    void releaseAll() const { QFile::remove(fillerPath()); }

    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QString fillerPath() const { return m_dir.filePath(QStringLiteral(".filler")); }

    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};
