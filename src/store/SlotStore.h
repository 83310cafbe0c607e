#pragma once

#include "clipboard/ClipboardItem.h"
#include "clipboard/HistorySink.h"
#include "clipboard/ItemSummary.h"
#include "core/Clock.h"
#include "core/Instant.h"
#include "store/StoreWrite.h"

#include <QList>
#include <QObject>
#include <QUuid>
#include <array>
#include <optional>

class StoreContainer;
struct StoredItem;

// The ten numbered slots (0..9), each with at most one item and a pin flag, and the
// clipboard history, newest first, capped at `historyLimit` entries. Every change is saved
// at once; `revision` counts successful saves so views know when to reload. A change tells
// what became of it (StoreWrite): saved, waiting for the next save, refused, or nothing to do.
class SlotStore : public QObject, public HistorySink {
    Q_OBJECT
public:
    struct HistoryEntry {
        QUuid id;
        ClipboardItem item;
        Instant capturedAt;
    };
    // A history entry as lists that show only kind and preview need it.
    struct HistorySummary {
        QUuid id;
        ItemSummary summary;
        Instant capturedAt;
    };

    static constexpr int slotCount = 10;
    // Display order of the slots: as on a keyboard's digit row, slot 0 last.
    static constexpr std::array<int, slotCount> slotOrder{1, 2, 3, 4, 5, 6, 7, 8, 9, 0};

    SlotStore(StoreContainer& container, const Clock& clock, int historyLimit = 200,
              QObject* parent = nullptr);

    // Slots.
    std::optional<ClipboardItem> item(int index) const;
    // Every slot as lists need it: images stay in the store until somebody asks for their
    // bytes (a deferred blob), so listing ten screenshots reads none of them.
    std::array<std::optional<ClipboardItem>, slotCount> allItems() const;
    // Every slot's kind and preview cut at `maxChars` (ItemSummary), read from the start of
    // its stored item only, so a huge item costs no more than its first characters. Absent
    // for an empty slot or one whose data does not read.
    std::array<std::optional<ItemSummary>, slotCount> slotSummaries(qsizetype maxChars) const;
    bool isPinned(int index) const;
    StoreWrite setItem(const ClipboardItem& item, int index);
    // setItem with the item encoded already (StoredItem::from).
    StoreWrite setStored(const StoredItem& stored, int index);
    StoreWrite clear(int index);
    StoreWrite togglePinned(int index);
    StoreWrite move(int from, int to);
    StoreWrite clearAllUnpinned();

    // History. The item is let go once it is encoded, before it is written.
    void addHistory(ClipboardItem item) override;
    // addHistory, telling what became of it (unchanged when it repeats the newest entry).
    StoreWrite recordHistory(ClipboardItem item);
    // Whether `item` has the content of the newest history entry (compared where it is
    // stored, a piece at a time).
    bool repeatsNewestHistory(const ClipboardItem& item) const;
    // A new history entry for an item encoded already; repeats are not looked for.
    StoreWrite addStoredHistory(const StoredItem& stored);
    QList<ClipboardItem> recentHistory(int limit) const;
    QList<HistoryEntry> recentHistoryEntries(int limit) const;
    // recentHistoryEntries as summaries (see slotSummaries): the same entries, skipped alike.
    QList<HistorySummary> recentHistorySummaries(int limit, qsizetype maxChars) const;
    QList<HistoryEntry> searchHistory(const QString& query, int limit) const;
    // Whether an entry shows for `query` in a search: its preview holds the trimmed query,
    // ignoring case (an empty query matches everything).
    static bool matchesQuery(const ClipboardItem& item, const QString& query);
    StoreWrite deleteHistory(const QUuid& id);

    int historyLimit() const { return m_historyLimit; }
    // Number of history records (0 when counting fails).
    qint64 historyCount() const;
    int revision() const { return m_revision; }
    // Changes that waited reached the disk by a save of somebody else's: observers reload.
    void noteSaved();

Q_SIGNALS:
    void revisionChanged(int revision);

private:
    struct SlotRow {
        qint64 pk = 0;
        bool pinned = false;
    };
    std::optional<SlotRow> record(int index) const;
    // Puts the item (with its pin flag) in the slot, or empties it; does not save.
    bool place(const std::optional<ClipboardItem>& item, bool pinned, int index);
    bool trimHistory();
    // Saves after a step whose changes were all kept (`kept`) or not.
    StoreWrite save(bool kept);

    StoreContainer& m_container;
    const Clock& m_clock;
    int m_historyLimit;
    int m_revision = 0;
};
