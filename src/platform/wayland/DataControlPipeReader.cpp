#include "DataControlPipeReader.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <wayland-client.h>

DataControlPipeReader::Reply DataControlPipeReader::readAll(DataControlFd fd, wl_display* display,
                                                            int stallMs, qint64 maxBytes,
                                                            qint64 holdBytes) {
    Reply reply;
    if (!fd.isValid()) {
        return reply;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK);
    bool flushed = display == nullptr;
    QDeadlineTimer deadline(stallMs);
    std::array<char, 65536> chunk{};
    qint64 seen = 0; // what arrived, kept or not
    const qint64 keep = std::min(holdBytes, maxBytes);
    for (;;) {
        if (!flushed) {
            if (wl_display_flush(display) >= 0) {
                flushed = true;
            } else if (errno != EAGAIN) {
                return reply; // the connection is gone: nobody will be asked to write
            }
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0) {
            reply.status = Status::Stalled;
            return reply;
        }
        std::array<pollfd, 2> fds{pollfd{fd.get(), POLLIN, 0},
                                  pollfd{flushed ? -1 : wl_display_get_fd(display), POLLOUT, 0}};
        const int ready =
            ::poll(fds.data(), fds.size(), static_cast<int>(std::min<qint64>(remaining, INT_MAX)));
        if (ready < 0 && errno != EINTR) {
            return reply;
        }
        if (ready <= 0 || fds[0].revents == 0) {
            continue;
        }
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got > 0) {
            seen += got;
            if (seen > maxBytes) {
                // The pipe closes with `fd` as this returns.
                reply.status = Status::TooLarge;
                reply.size = seen;
                reply.bytes = QByteArray();
                return reply;
            }
            if (seen > keep) {
                reply.bytes = QByteArray(); // counted from now on
            } else {
                reply.bytes.append(chunk.data(), got);
            }
            deadline.setRemainingTime(stallMs);
        } else if (got == 0) {
            reply.status = seen > keep ? Status::Measured : Status::Ok;
            reply.size = seen;
            return reply;
        } else if (errno != EAGAIN && errno != EINTR) {
            return reply;
        }
    }
}
