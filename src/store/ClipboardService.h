#pragma once

#include "PasteTransform.h"
#include "clipboard/ClipboardAccess.h"
#include "store/StoreWrite.h"

#include <QObject>
#include <optional>

class SlotStore;
class StatsService;

// Where a slot meets the clipboard: captures the clipboard into a slot (and the history and
// the copy statistics) and loads a slot onto the clipboard, optionally transformed.
class ClipboardService : public QObject {
    Q_OBJECT
public:
    static constexpr double defaultRestoreDelay = 0.25;

    // What a capture did: `write` is unchanged when there was nothing to capture (an empty or
    // concealed clipboard, a slot out of range, content too large: then `tooLarge` is set);
    // otherwise what became of the slot, history and statistics writes.
    struct Capture {
        StoreWrite write;
        std::optional<Oversize> tooLarge;

        // True when the capture was made and saved.
        explicit operator bool() const { return write.isSaved(); }
    };

    ClipboardService(ClipboardAccess& clipboard, SlotStore& slots, StatsService& stats,
                     QObject* parent = nullptr);

    Capture captureClipboardToSlot(int slot) { return captureToSlot(slot, m_clipboard); }
    // The same from another source of content (the PRIMARY selection).
    Capture captureToSlot(int slot, ClipboardAccess& source);
    bool loadSlotToClipboard(int slot, PasteTransform transform = PasteTransform::None);
    std::optional<ClipboardItem> slot(int index) const;

    double restoreDelay() const { return m_restoreDelay; }
    void setRestoreDelay(double seconds);

    ClipboardAccess& clipboard() const { return m_clipboard; }

Q_SIGNALS:
    void restoreDelayChanged(double seconds);

private:
    ClipboardAccess& m_clipboard;
    SlotStore& m_slots;
    StatsService& m_stats;
    double m_restoreDelay = defaultRestoreDelay;
};
