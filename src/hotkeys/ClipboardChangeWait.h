#pragma once

#include "clipboard/ClipboardAccess.h"
#include "core/Scheduler.h"

#include <functional>

// Waits, never blocking, for the clipboard's change counter to move from `before`, at most
// `attempts` x `interval` seconds, then runs `then` (whether it moved or not). Where the
// clipboard reports its changes the wait ends on the change notice (on the next turn of the
// loop) or at that deadline; elsewhere the counter is looked at every `interval`. A counter
// that already moved runs `then` at once. `then` runs exactly once.
class ClipboardChangeWait {
public:
    static void start(ClipboardAccess& clipboard, Scheduler& scheduler, qint64 before, int attempts,
                      double interval, std::function<void()> then);
};
