#pragma once

#include "clipboard/ClipboardAccess.h"

#include <QString>
#include <QStringList>
#include <functional>

// Figures of the clipboard as the program follows it, on a real session: copy -> history
// latency, copies recorded out of quick bursts, the main thread's wake-ups per minute while
// nothing happens, and paste -> the user's clipboard back for a reader that reads at once.
// The same figures with polling (`polling`: the clipboard's notices hidden) are those of a
// monitor that polls every 0.6 s and a restore after the fixed 0.25 s.
namespace ClipboardEventsBench {
struct Peer {
    // A program that copies its last argument as text and keeps serving it until replaced.
    QString copier;
    QStringList copierArgs;
    // A program that prints the clipboard's text.
    QString reader;
    QStringList readerArgs;
};

void run(ClipboardAccess& clipboard, const Peer& peer, bool polling);
} // namespace ClipboardEventsBench
