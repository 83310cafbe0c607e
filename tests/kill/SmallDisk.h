#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <unistd.h>

// A small tmpfs of its own (mounting needs root), with a filler file that takes up the
// free space and gives it back on demand: a real full disk, without touching any other.
class SmallDisk {
public:
    explicit SmallDisk(int megabytes) {
        if (::geteuid() != 0) {
            return;
        }
        m_mounted =
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=%1m").arg(megabytes), QStringLiteral("tmpfs"),
                               m_dir.path()}) == 0;
    }
    ~SmallDisk() {
        if (m_mounted) {
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isMounted() const { return m_mounted; }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    qint64 freeBytes() const {
        QStorageInfo info(m_dir.path());
        info.refresh();
        return info.bytesAvailable();
    }

    // Fills every byte that is left.
    void fill() {
        QFile filler(fillerPath());
        if (!filler.open(QIODevice::Append)) {
            qFatal("cannot open %s", qPrintable(filler.fileName()));
        }
        const QByteArray chunk(64 * 1024, 'f');
        while (filler.write(chunk) == chunk.size() && filler.flush()) {
        }
        // The last partial chunk too.
        const QByteArray byte(1, 'f');
        while (filler.write(byte) == 1 && filler.flush()) {
        }
    }
    // Gives `bytes` of the filler back.
    void release(qint64 bytes) {
        QFile filler(fillerPath());
        filler.resize(std::max<qint64>(0, filler.size() - bytes));
    }
    void releaseAll() { QFile::remove(fillerPath()); }

private:
    QString fillerPath() const { return m_dir.filePath(QStringLiteral(".filler")); }

    QTemporaryDir m_dir;
    bool m_mounted = false;
};
