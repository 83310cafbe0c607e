#pragma once

#include "ClipboardAccess.h"
#include "ClipboardNotifier.h"

// An in-memory clipboard with the system clipboard's behaviour, for running the monitor,
// the clipboard service and the hotkey flow without a window system. Its fields may be set
// directly by whoever drives it. read() does not consult `concealed`; with `tooLarge` set it
// refuses the content with that size. With `reportsEvents` set it reports its changes (each
// write, or notifier.notifyChanged() after setting the fields) and the reads that whoever
// drives it tells through `notifier`, as the session's clipboards do; else it must be polled.
class FakeClipboard final : public ClipboardAccess {
public:
    qint64 changeCount() const override { return changeCountValue; }
    ClipboardRead read() override {
        return tooLarge ? ClipboardRead::refused(*tooLarge) : ClipboardRead(item);
    }
    void write(const ClipboardItem& newItem) override {
        item = newItem;
        ++changeCountValue;
        ownWrite = true;
        if (reportsEvents) {
            notifier.notifyChanged();
        }
    }
    // Another program copies `newItem`.
    void copyElsewhere(const ClipboardItem& newItem) {
        write(newItem);
        ownWrite = false;
    }
    bool holdsOwnWrite() const override { return ownWrite; }
    bool isConcealed() override { return concealed; }
    ClipboardEvents* events() override { return reportsEvents ? &notifier : nullptr; }

    qint64 changeCountValue = 0;
    std::optional<ClipboardItem> item;
    bool concealed = false;
    std::optional<Oversize> tooLarge;
    bool reportsEvents = false;
    bool ownWrite = true;
    ClipboardNotifier notifier;
};
