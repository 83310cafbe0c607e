#include "ClipboardService.h"

#include "SlotStore.h"
#include "StatsService.h"

ClipboardService::ClipboardService(ClipboardAccess& clipboard, SlotStore& slots,
                                   StatsService& stats, QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_slots(slots), m_stats(stats) {}

StoreWrite ClipboardService::captureToSlot(int slot, ClipboardAccess& source) {
    if (slot < 0 || slot >= SlotStore::slotCount) {
        return StoreWrite::unchanged();
    }
    if (source.isConcealed()) {
        return StoreWrite::unchanged();
    }
    const auto item = source.read();
    if (!item || item->kind == ClipboardKind::Empty) {
        return StoreWrite::unchanged();
    }
    const StoreWrite slotWrite = m_slots.setItem(*item, slot);
    if (slotWrite.status == StoreWrite::Status::Refused) {
        return slotWrite;
    }
    const StoreWrite history = m_slots.recordHistory(*item);
    return slotWrite & history & m_stats.recordCopy(*item, slot);
}

bool ClipboardService::loadSlotToClipboard(int slot, PasteTransform transform) {
    const auto item = m_slots.item(slot);
    if (!item || item->kind == ClipboardKind::Empty) {
        return false;
    }
    m_clipboard.write(PasteTransforms::apply(transform, *item));
    m_stats.record(StatsService::Kind::Paste, slot);
    return true;
}

std::optional<ClipboardItem> ClipboardService::slot(int index) const {
    return m_slots.item(index);
}

void ClipboardService::setRestoreDelay(double seconds) {
    if (seconds == m_restoreDelay) {
        return;
    }
    m_restoreDelay = seconds;
    Q_EMIT restoreDelayChanged(seconds);
}
