#pragma once

#include "clipboard/ClipboardEvents.h"
#include "core/Scheduler.h"

#include <functional>
#include <vector>

// Puts the user's clipboard back after a paste, once the application in front has taken
// the pasted content. Where the clipboards report the reads of our content (`watched`), that
// is `settle` seconds after the last read that started has finished, so that a second read
// soon after the first still gets the slot; when nothing reads it, after `bound` seconds
// (a read still running then is waited for, `bound` once more at most). Where no read is
// reported, after the fixed `delay`. `restore` runs once, whatever happens to the caller.
class PasteRestore {
public:
    // How long a paste that nobody reads keeps the slot on the clipboard.
    static constexpr double bound = 2.0;
    // How long after a read has finished the slot stays for a read that follows it.
    static constexpr double settle = 0.1;

    static void start(Scheduler& scheduler, std::vector<ClipboardEvents*> watched, double delay,
                      std::function<void()> restore);
};
