#include "DataControlTransfer.h"

#include "core/Log.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

DataControlTransfer::DataControlTransfer(DataControlFd fd, QByteArray bytes, QObject* parent)
    : QObject(parent), m_fd(std::move(fd)), m_bytes(std::move(bytes)) {
    ::fcntl(m_fd.get(), F_SETFL, ::fcntl(m_fd.get(), F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(m_fd.get(), QSocketNotifier::Write);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &DataControlTransfer::writeSome);
    m_stall.setSingleShot(true);
    m_stall.setInterval(stallMs);
    connect(&m_stall, &QTimer::timeout, this, [this] {
        qCWarning(Log::app).noquote()
            << QStringLiteral("a paste stopped reading after %1 of %2 bytes; it is given up")
                   .arg(m_written)
                   .arg(m_bytes.size());
        end();
    });
    m_stall.start();
}

DataControlTransfer::~DataControlTransfer() = default;

void DataControlTransfer::writeSome() {
    while (m_written < m_bytes.size()) {
        const ssize_t n = ::write(m_fd.get(), m_bytes.constData() + m_written,
                                  static_cast<size_t>(m_bytes.size() - m_written));
        if (n > 0) {
            m_written += n;
            m_stall.start();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            return; // the pipe is full: wait until the reader takes some
        }
        if (errno != EPIPE) {
            qCWarning(Log::app).noquote() << QStringLiteral("a paste could not be written: %1")
                                                 .arg(QString::fromLocal8Bit(std::strerror(errno)));
        }
        break; // the reader went away
    }
    end();
}

void DataControlTransfer::end() {
    if (!m_fd.isValid()) {
        return;
    }
    m_notifier->setEnabled(false);
    m_stall.stop();
    m_fd.reset();
    m_bytes = QByteArray();
    Q_EMIT ended();
    deleteLater();
}
