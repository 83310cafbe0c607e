#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(const QString& what, int code) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(code)));
}

// The new file while it is written: closed and removed unless it was renamed into place.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_path.isEmpty()) {
            ::unlink(m_path.constData());
        }
    }

    // Creates it beside `target`, under a name no other writer uses, private to this user:
    // 0600 for a new file, the owner's permissions of an existing one (never group or others',
    // whatever the umask or an earlier version left).
    bool create(const QByteArray& target, QString* error) {
        struct stat st {};
        const bool exists = ::stat(target.constData(), &st) == 0;
        const QByteArray prefix = target + ".tmp-" + QByteArray::number(::getpid()) + '-';
        static std::atomic<unsigned> counter = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = prefix + QByteArray::number(++counter);
            m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (m_fd >= 0) {
                m_path = name;
                const mode_t mode = exists ? (st.st_mode & 0700) : 0600;
                if (::fchmod(m_fd, mode) != 0) {
                    *error = systemError(QStringLiteral("cannot set permissions"), errno);
                    return false;
                }
                return true;
            }
            if (errno != EEXIST && errno != EINTR) {
                *error = systemError(QStringLiteral("cannot create a file beside it"), errno);
                return false;
            }
        }
        *error = QStringLiteral("cannot create a file beside it: every name is taken");
        return false;
    }

    bool writeAll(QByteArrayView bytes, QString* error) {
        const char* p = bytes.data();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, static_cast<std::size_t>(left));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                *error = systemError(QStringLiteral("cannot write"), n < 0 ? errno : ENOSPC);
                return false;
            }
            p += n;
            left -= n;
        }
        return true;
    }

    // Syncs and closes it: a disk that fills up late says so here.
    bool finish(QString* error) {
        // EINVAL: a file system that cannot sync; there is nothing to wait for.
        if (::fsync(m_fd) != 0 && errno != EINVAL) {
            *error = systemError(QStringLiteral("cannot flush to disk"), errno);
            return false;
        }
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) {
            *error = systemError(QStringLiteral("cannot close"), errno);
            return false;
        }
        return true;
    }

    bool renameOnto(const QByteArray& target, QString* error) {
        if (::rename(m_path.constData(), target.constData()) != 0) {
            *error = systemError(QStringLiteral("cannot replace it"), errno);
            return false;
        }
        m_path.clear();
        return true;
    }

private:
    int m_fd = -1;
    QByteArray m_path;
};

} // namespace

bool AtomicFile::write(const QString& path, QByteArrayView bytes, QString* error) {
    const QFileInfo info(path);
    const QString resolved =
        info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
    const QByteArray target = QFile::encodeName(resolved);
    QString why;
    PendingFile file;
    const bool ok = file.create(target, &why) && file.writeAll(bytes, &why) && file.finish(&why) &&
                    file.renameOnto(target, &why);
    if (!ok && error) {
        *error = why;
    }
    return ok;
}
