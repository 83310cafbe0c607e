#pragma once

#include "ForeignSelection.h"

#include <QObject>
#include <functional>
#include <memory>

// What the windowing system adds to QClipboard for one selection: a reader of another
// program's content, and a watch that tells when another program asks for ours (`served`
// with false as a request arrives, with true once it was answered). Both are absent where the
// session offers neither (offscreen, a Wayland session without XWayland's help).
struct NativeSelection {
    std::unique_ptr<ForeignSelection> reader;
    // Starts the watch, which lasts as long as what it returns.
    std::function<std::unique_ptr<QObject>(std::function<void(bool served)>)> watchRequests;
};
