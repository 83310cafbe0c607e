#pragma once

#include "ClipboardAccess.h"

// An in-memory clipboard with the system clipboard's behaviour, for running the monitor,
// the clipboard service and the hotkey flow without a window system. Its fields may be set
// directly by whoever drives it. read() does not consult `concealed`; with `tooLarge` set it
// refuses the content with that size.
class FakeClipboard final : public ClipboardAccess {
public:
    qint64 changeCount() const override { return changeCountValue; }
    ClipboardRead read() override {
        return tooLarge ? ClipboardRead::refused(*tooLarge) : ClipboardRead(item);
    }
    void write(const ClipboardItem& newItem) override {
        item = newItem;
        ++changeCountValue;
    }
    bool isConcealed() override { return concealed; }

    qint64 changeCountValue = 0;
    std::optional<ClipboardItem> item;
    bool concealed = false;
    std::optional<Oversize> tooLarge;
};
