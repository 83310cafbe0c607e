#include "ServiceSlotClipboard.h"

#include "store/ClipboardService.h"

SlotClipboard::Capture ServiceSlotClipboard::captureToSlot(int slot, ClipboardAccess& source) {
    const ClipboardService::Capture capture = m_service.captureToSlot(slot, source);
    const StoreWrite& write = capture.write;
    return {write.isSaved() || write.status == StoreWrite::Status::Pending, capture.tooLarge};
}

void ServiceSlotClipboard::loadSlotToClipboard(int slot) {
    m_service.loadSlotToClipboard(slot, PasteTransform::None);
}

std::optional<ClipboardItem> ServiceSlotClipboard::slot(int index) const {
    return m_service.slot(index);
}

double ServiceSlotClipboard::restoreDelay() const {
    return m_service.restoreDelay();
}
