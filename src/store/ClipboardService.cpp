#include "ClipboardService.h"

#include "SlotStore.h"
#include "StatsService.h"

ClipboardService::ClipboardService(ClipboardAccess& clipboard, SlotStore& slots,
                                   StatsService& stats, QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_slots(slots), m_stats(stats) {}

bool ClipboardService::captureToSlot(int slot, ClipboardAccess& source) {
    if (slot < 0 || slot >= SlotStore::slotCount) {
        return false;
    }
    if (source.isConcealed()) {
        return false;
    }
    const auto item = source.read();
    if (!item || item->kind == ClipboardKind::Empty) {
        return false;
    }
    if (!m_slots.setItem(*item, slot)) {
        return false;
    }
    m_slots.addHistory(*item);
    m_stats.recordCopy(*item, slot);
    return true;
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
