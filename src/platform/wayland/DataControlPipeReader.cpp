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
                                                            int stallMs, qint64 maxBytes) {
    Reply reply;
    if (!fd.isValid()) {
        return reply;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK);
    bool flushed = display == nullptr;
    QDeadlineTimer deadline(stallMs);
    std::array<char, 65536> chunk{};
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
            if (reply.bytes.size() + got > maxBytes) {
                // The pipe closes with `fd` as this returns.
                reply.status = Status::TooLarge;
                reply.size = reply.bytes.size() + got;
                reply.bytes = QByteArray();
                return reply;
            }
            reply.bytes.append(chunk.data(), got);
            deadline.setRemainingTime(stallMs);
        } else if (got == 0) {
            reply.status = Status::Ok;
            return reply;
        } else if (errno != EAGAIN && errno != EINTR) {
            return reply;
        }
    }
}
