#pragma once

#include <unistd.h>
#include <utility>

// Owns one file descriptor (a pipe end of a clipboard transfer) and closes it when dropped.
class DataControlFd {
public:
    DataControlFd() = default;
    explicit DataControlFd(int fd) : m_fd(fd) {}
    ~DataControlFd() { reset(); }
    DataControlFd(DataControlFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    DataControlFd& operator=(DataControlFd&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    DataControlFd(const DataControlFd&) = delete;
    DataControlFd& operator=(const DataControlFd&) = delete;

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    void reset() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd = -1;
};
