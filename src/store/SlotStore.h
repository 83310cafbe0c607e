#pragma once

#include "clipboard/ClipboardItem.h"
#include "clipboard/HistorySink.h"
#include "core/Clock.h"
#include "core/Instant.h"

#include <QList>
#include <QObject>
#include <QUuid>
#include <array>
#include <optional>

class StoreContainer;

// The ten numbered slots (0..9), each with at most one item and a pin flag, and the
// clipboard history, newest first, capped at `historyLimit` entries. Every change is saved
// at once; `revision` counts successful saves so views know when to reload. A change returns
// false when it was not saved (it may still be pending in the container) or could not be
// made at all.
class SlotStore : public QObject, public HistorySink {
    Q_OBJECT
public:
    struct HistoryEntry {
        QUuid id;
        ClipboardItem item;
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
    bool isPinned(int index) const;
    bool setItem(const ClipboardItem& item, int index);
    bool clear(int index);
    bool togglePinned(int index);
    bool move(int from, int to);
    bool clearAllUnpinned();

    // History.
    void addHistory(const ClipboardItem& item) override;
    QList<ClipboardItem> recentHistory(int limit) const;
    QList<HistoryEntry> recentHistoryEntries(int limit) const;
    QList<HistoryEntry> searchHistory(const QString& query, int limit) const;
    // Whether an entry shows for `query` in a search: its preview holds the trimmed query,
    // ignoring case (an empty query matches everything).
    static bool matchesQuery(const ClipboardItem& item, const QString& query);
    bool deleteHistory(const QUuid& id);

    int historyLimit() const { return m_historyLimit; }
    // Number of history records (0 when counting fails).
    qint64 historyCount() const;
    int revision() const { return m_revision; }

Q_SIGNALS:
    void revisionChanged(int revision);

private:
    struct SlotRow {
        qint64 pk = 0;
        bool pinned = false;
    };
    std::optional<SlotRow> record(int index) const;
    bool place(const std::optional<ClipboardItem>& item, bool pinned, int index);
    bool trimHistory();
    // Saves after `changed` (whether every change of the step was applied); true when both.
    bool save(bool changed = true);

    StoreContainer& m_container;
    const Clock& m_clock;
    int m_historyLimit;
    int m_revision = 0;
};
