#pragma once

#include "clipboard/ClipboardAccess.h"
#include "clipboard/ClipboardItem.h"
#include "clipboard/Oversize.h"

#include <optional>

// What a chord needs of the slots: capture content into a slot, put a slot on the clipboard,
// read a slot, and how long a paste leaves the slot on the clipboard where no reads are seen.
class SlotClipboard {
public:
    struct Capture {
        // In the slot: saved, or waiting for the next save.
        bool inSlot = false;
        // Set when the content was refused for its size (then nothing changed).
        std::optional<Oversize> tooLarge;
    };

    virtual ~SlotClipboard() = default;

    virtual Capture captureToSlot(int slot, ClipboardAccess& source) = 0;
    virtual void loadSlotToClipboard(int slot) = 0;
    virtual std::optional<ClipboardItem> slot(int index) const = 0;
    virtual double restoreDelay() const = 0;
};
