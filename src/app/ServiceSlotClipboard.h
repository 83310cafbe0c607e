#pragma once

#include "hotkeys/SlotClipboard.h"

class ClipboardService;

// The chords' slots through the clipboard service: a capture is in the slot once it is saved
// or waits for the next save.
class ServiceSlotClipboard final : public SlotClipboard {
public:
    explicit ServiceSlotClipboard(ClipboardService& service) : m_service(service) {}

    Capture captureToSlot(int slot, ClipboardAccess& source) override;
    void loadSlotToClipboard(int slot) override;
    std::optional<ClipboardItem> slot(int index) const override;
    double restoreDelay() const override;

private:
    ClipboardService& m_service;
};
