#include "StoreLock.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// realpath() of an existing path, or empty.
std::string resolved(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

} // namespace

StoreLock::StoreLock(StoreLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

StoreLock& StoreLock::operator=(StoreLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

StoreLock::~StoreLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}

std::string StoreLock::defaultStoreFile() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
        base = data;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.local/share";
    } else {
        // No data location: no store file, so no lock (never a shared folder).
        return std::string();
    }
    return base + "/Stashwick/Store.sqlite";
}

std::string StoreLock::lockPathFor(const std::string& storeFile) {
    if (storeFile.empty()) {
        return std::string();
    }
    std::string real = resolved(storeFile);
    if (real.empty()) {
        const auto slash = storeFile.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : storeFile.substr(0, slash);
        const std::string name =
            slash == std::string::npos ? storeFile : storeFile.substr(slash + 1);
        const std::string realFolder = resolved(folder);
        real = (realFolder.empty() ? folder : realFolder) + "/" + name;
    }
    return real + ".lock";
}

bool StoreLock::acquire(const std::string& lockPath, const std::string& socketPath,
                        bool* heldElsewhere, std::string* error) {
    *heldElsewhere = false;
    if (lockPath.empty()) {
        *error = "no store file to lock";
        return false;
    }
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        *error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return false;
    }
    // One left open to others by an earlier version is closed to them.
    [[maybe_unused]] const int closed = ::fchmod(fd, 0600);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *heldElsewhere = errno == EWOULDBLOCK;
        *error = errno == EWOULDBLOCK ? "another Stashwick uses this store (" + lockPath + ")"
                                      : "cannot lock " + lockPath + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    // Who holds it: a best effort, the lock itself is what counts.
    if (::ftruncate(fd, 0) == 0) {
        const std::string line = socketPath + "\n";
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, line.data(), line.size(), 0);
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
    return true;
}

std::optional<std::string> StoreLock::holderSocket(const std::string& lockPath) {
    if (lockPath.empty()) {
        return std::nullopt;
    }
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> out;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        char buf[512];
        const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        if (n > 0) {
            std::string text(buf, static_cast<std::size_t>(n));
            if (const auto nl = text.find('\n'); nl != std::string::npos) {
                text.resize(nl);
            }
            if (!text.empty() && text[0] == '/') {
                out = text;
            }
        }
    }
    ::close(fd); // also drops a shared lock taken above
    return out;
}
