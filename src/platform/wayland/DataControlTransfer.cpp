#include "DataControlTransfer.h"

#include "core/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

DataControlTransfer::DataControlTransfer(DataControlFd fd, QByteArray bytes)
    : m_fd(std::move(fd)), m_bytes(std::move(bytes)),
      m_deadline(Clock::now() + std::chrono::milliseconds(stallMs)) {
    ::fcntl(m_fd.get(), F_SETFL, ::fcntl(m_fd.get(), F_GETFL) | O_NONBLOCK);
}

bool DataControlTransfer::writeSome(Clock::time_point now) {
    while (m_written < m_bytes.size()) {
        const ssize_t n = ::write(m_fd.get(), m_bytes.constData() + m_written,
                                  static_cast<size_t>(m_bytes.size() - m_written));
        if (n > 0) {
            m_written += n;
            m_deadline = now + std::chrono::milliseconds(stallMs);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            if (now < m_deadline) {
                return false; // the pipe is full: wait until the reader takes some
            }
            qCWarning(Log::app).noquote()
                << QStringLiteral("a paste stopped reading after %1 of %2 bytes; it is given up")
                       .arg(m_written)
                       .arg(m_bytes.size());
            return true;
        }
        if (errno != EPIPE) {
            qCWarning(Log::app).noquote() << QStringLiteral("a paste could not be written: %1")
                                                 .arg(QString::fromLocal8Bit(std::strerror(errno)));
        }
        return true; // the reader went away
    }
    return true;
}
