#include "ClipboardService.h"

#include "SlotStore.h"
#include "StatsService.h"
#include "StoredItem.h"

ClipboardService::ClipboardService(ClipboardAccess& clipboard, SlotStore& slots,
                                   StatsService& stats, QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_slots(slots), m_stats(stats) {}

ClipboardService::Capture ClipboardService::captureToSlot(int slot, ClipboardAccess& source) {
    if (slot < 0 || slot >= SlotStore::slotCount) {
        return {};
    }
    if (source.isConcealed()) {
        return {};
    }
    ClipboardRead read = source.read();
    if (read.tooLarge()) {
        return {StoreWrite::unchanged(), read.tooLarge()};
    }
    std::optional<ClipboardItem> item = std::move(read).item();
    if (!item || item->kind == ClipboardKind::Empty) {
        return {};
    }
    // One encoding serves the slot, the history and the statistics, and the item itself is
    // let go before anything is written: a large text is held once in its decoded form and
    // once encoded, never more, while SQLite writes it.
    const bool repeat = m_slots.repeatsNewestHistory(*item);
    const StatsService::CopiedContent copied = StatsService::describeCopy(*item);
    const auto stored = StoredItem::from(*item);
    item.reset();
    if (!stored) {
        return {StoreWrite::refused(QStringLiteral("the item's image could not be loaded")),
                std::nullopt};
    }
    const StoreWrite slotWrite = m_slots.setStored(*stored, slot);
    if (slotWrite.status == StoreWrite::Status::Refused) {
        return {slotWrite, std::nullopt};
    }
    const StoreWrite history = repeat ? StoreWrite::unchanged() : m_slots.addStoredHistory(*stored);
    return {slotWrite & history & m_stats.recordCopy(copied, *stored, slot), std::nullopt};
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
