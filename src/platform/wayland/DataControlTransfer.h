#pragma once

#include "DataControlFd.h"

#include <QByteArray>
#include <chrono>

// One paste of ours being served from memory: the bytes go into the pipe the reading program
// gave, as fast as it takes them, never waiting on it (the pipe is non-blocking and written
// only as far as it has room). It is over once everything is written, the reader went away
// (the write fails: SIGPIPE is ignored by the program), or the reader took nothing for
// `stallMs`. Whoever drives it polls `fd()` for room and calls `writeSome`; dropping it closes
// the pipe. It keeps its own reference to the bytes, so they live as long as a paste needs them.
class DataControlTransfer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int stallMs = 30000;

    DataControlTransfer(DataControlFd fd, QByteArray bytes);
    DataControlTransfer(const DataControlTransfer&) = delete;
    DataControlTransfer& operator=(const DataControlTransfer&) = delete;

    int fd() const { return m_fd.get(); }
    // Writes what the pipe takes now; true once the transfer is over (written, abandoned by
    // the reader, or given up at `now` for lack of progress).
    bool writeSome(Clock::time_point now);
    // When it is given up unless the reader takes something before.
    Clock::time_point deadline() const { return m_deadline; }

private:
    DataControlFd m_fd;
    QByteArray m_bytes;
    qsizetype m_written = 0;
    Clock::time_point m_deadline;
};
