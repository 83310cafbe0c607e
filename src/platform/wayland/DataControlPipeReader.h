#pragma once

#include "DataControlFd.h"

#include <QByteArray>

struct wl_display;

// Reads what another program writes into a pipe for a paste, to its end, synchronously but
// bounded: the wait sleeps in poll() and gives up once `stallMs` pass without a single byte
// arriving; every chunk that arrives restarts that deadline, so a long transfer that keeps
// coming is read whole. Meanwhile the requests queued on `display` are sent (the request that
// asks the other program to write must reach the compositor), and nothing else is dispatched.
class DataControlPipeReader {
public:
    enum class Status { Ok, Failed, Stalled };
    struct Reply {
        Status status = Status::Failed;
        QByteArray bytes;
    };

    static Reply readAll(DataControlFd fd, wl_display* display, int stallMs);
};
