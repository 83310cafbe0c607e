#pragma once

#include "DataControlFd.h"

#include <QByteArray>

struct wl_display;

// Reads what another program writes into a pipe for a paste, to its end, synchronously but
// bounded: the wait sleeps in poll() and gives up once `stallMs` pass without a single byte
// arriving; every chunk that arrives restarts that deadline, so a long transfer that keeps
// coming is read whole. Meanwhile the requests queued on `display` are sent (the request that
// asks the other program to write must reach the compositor), and nothing else is dispatched.
//
// At most `maxBytes` are read: once more arrives the read stops, the pipe is closed (the
// writer sees it go) and the reply is TooLarge with what was read so far as `size`, a lower
// bound; none of the bytes are kept. Only `holdBytes` are kept at all: past that the rest is
// counted, not kept, and a transfer that ends within `maxBytes` is Measured with its size,
// for the caller to ask for once more, knowing that it fits.
class DataControlPipeReader {
public:
    enum class Status { Ok, Failed, Stalled, TooLarge, Measured };
    struct Reply {
        Status status = Status::Failed;
        QByteArray bytes;
        qint64 size = 0; // for TooLarge and Measured
    };

    static Reply readAll(DataControlFd fd, wl_display* display, int stallMs, qint64 maxBytes,
                         qint64 holdBytes);
};
