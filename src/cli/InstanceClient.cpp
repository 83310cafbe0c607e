#include "InstanceClient.h"

#include "app/ipc/InstanceFrame.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}
} // namespace

InstanceClient::~InstanceClient() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool InstanceClient::connectTo(const std::string& socketPath) {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        return false;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof addr.sun_path) {
        return false;
    }
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool InstanceClient::writeAll(const std::string& bytes, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{m_fd, POLLOUT, 0};
            if (::poll(&p, 1, remainingMs(deadline)) <= 0) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

std::optional<std::string> InstanceClient::request(const std::string& payload, int timeoutMs) {
    if (m_fd < 0 || !writeAll(InstanceFrame::encode(payload), timeoutMs)) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    InstanceFrame::Reader reader;
    char buf[4096];
    for (;;) {
        if (auto frame = reader.next()) {
            return frame;
        }
        if (reader.failed()) {
            return std::nullopt;
        }
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        reader.feed(std::string_view(buf, static_cast<std::size_t>(n)));
    }
}
