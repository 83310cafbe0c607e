#include "SlotStore.h"

#include "StoreContainer.h"
#include "StoredItem.h"
#include "core/Log.h"

namespace {

const QString historyTable = QStringLiteral("history_record");

const QString historyColumns =
    QStringLiteral("SELECT pk, id, captured_at, item_data, png_at, length(png) FROM history_record "
                   "ORDER BY captured_at DESC, pk DESC LIMIT ?");

std::optional<qint64> optionalInt(const SqliteStatement& s, int column) {
    return s.isNull(column) ? std::nullopt : std::optional<qint64>(s.int64(column));
}

} // namespace

SlotStore::SlotStore(StoreContainer& container, const Clock& clock, int historyLimit,
                     QObject* parent)
    : QObject(parent), m_container(container), m_clock(clock), m_historyLimit(historyLimit) {}

std::optional<SlotStore::SlotRow> SlotStore::record(int index) const {
    SqliteStatement s = m_container.db().prepare(QStringLiteral(
        "SELECT pk, pinned FROM slot_record WHERE slot_index = ? ORDER BY pk LIMIT 1"));
    s.bind(1, qint64{index});
    if (s.step() != SqliteStatement::Step::Row) {
        return std::nullopt;
    }
    return SlotRow{s.int64(0), s.int64(1) != 0};
}

std::optional<ClipboardItem> SlotStore::item(int index) const {
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT item_data, png_at, png FROM slot_record WHERE slot_index = ? "
                       "ORDER BY pk LIMIT 1"));
    s.bind(1, qint64{index});
    if (s.step() != SqliteStatement::Step::Row) {
        return std::nullopt;
    }
    return StoredItem::decodeRow(s, 0);
}

std::array<std::optional<ClipboardItem>, SlotStore::slotCount> SlotStore::allItems() const {
    std::array<std::optional<ClipboardItem>, slotCount> out;
    std::array<bool, slotCount> seen{};
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT slot_index, item_data, png_at, length(png), pk, updated_at "
                       "FROM slot_record ORDER BY pk"));
    while (s.step() == SqliteStatement::Step::Row) {
        const qint64 index = s.int64(0);
        if (index < 0 || index >= slotCount || seen[static_cast<std::size_t>(index)]) {
            continue;
        }
        seen[static_cast<std::size_t>(index)] = true;
        out[static_cast<std::size_t>(index)] = StoredItem::decodeDeferred(
            s.blob(1), optionalInt(s, 2), s.int64(3),
            StoredItem::pngLoader(
                m_container.weakDb(),
                // A slot's row is rewritten (new updated_at) whenever the slot changes.
                QStringLiteral("SELECT png FROM slot_record WHERE pk = ? AND updated_at = ?"),
                {s.int64(4), s.real(5)}));
    }
    return out;
}

std::array<std::optional<ItemSummary>, SlotStore::slotCount>
SlotStore::slotSummaries(qsizetype maxChars) const {
    std::array<std::optional<ItemSummary>, slotCount> out;
    std::array<bool, slotCount> seen{};
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT slot_index, pk, png_at, length(png) FROM slot_record ORDER BY pk"));
    while (s.step() == SqliteStatement::Step::Row) {
        const qint64 index = s.int64(0);
        if (index < 0 || index >= slotCount || seen[static_cast<std::size_t>(index)]) {
            continue;
        }
        seen[static_cast<std::size_t>(index)] = true;
        out[static_cast<std::size_t>(index)] =
            StoredItem::summarize(m_container.db(), QStringLiteral("slot_record"), s.int64(1),
                                  optionalInt(s, 2), s.int64(3), maxChars);
    }
    return out;
}

bool SlotStore::isPinned(int index) const {
    const auto row = record(index);
    return row && row->pinned;
}

StoreWrite SlotStore::setItem(const ClipboardItem& item, int index) {
    const auto stored = StoredItem::from(item);
    if (!stored) {
        qCWarning(Log::store) << "not stored: the item's image could not be loaded";
        return StoreWrite::refused(QStringLiteral("the item's image could not be loaded"));
    }
    return setStored(*stored, index);
}

StoreWrite SlotStore::setStored(const StoredItem& stored, int index) {
    std::vector<SqlValue> values{qint64{index}, m_clock.now().secondsSinceReference()};
    for (SqlValue& v : stored.values()) {
        values.push_back(std::move(v));
    }
    // One record per slot: the schema refuses a second, so an insert that meets one updates
    // it (its pin flag stays).
    return save(m_container.change(
        QStringLiteral("INSERT INTO slot_record (slot_index, pinned, updated_at, item_data, "
                       "png_at, png) VALUES (?, 0, ?, ?, ?, ?) ON CONFLICT (slot_index) DO "
                       "UPDATE SET updated_at = excluded.updated_at, item_data = "
                       "excluded.item_data, png_at = excluded.png_at, png = excluded.png"),
        std::move(values)));
}

StoreWrite SlotStore::clear(int index) {
    if (!record(index)) {
        return StoreWrite::unchanged();
    }
    return save(m_container.change(QStringLiteral("DELETE FROM slot_record WHERE slot_index = ?"),
                                   {qint64{index}}));
}

StoreWrite SlotStore::togglePinned(int index) {
    const auto row = record(index);
    if (!row) {
        return StoreWrite::unchanged();
    }
    return save(m_container.change(QStringLiteral("UPDATE slot_record SET pinned = ? WHERE pk = ?"),
                                   {qint64{row->pinned ? 0 : 1}, row->pk}));
}

StoreWrite SlotStore::move(int from, int to) {
    if (from < 0 || from >= slotCount || to < 0 || to >= slotCount || from == to) {
        return StoreWrite::unchanged();
    }
    const auto fromItem = item(from);
    const bool fromPinned = isPinned(from);
    const auto toItem = item(to);
    const bool toPinned = isPinned(to);
    if (!fromItem && !toItem) {
        return StoreWrite::unchanged();
    }
    // Both halves of the swap are saved together, or neither is kept.
    const std::size_t mark = m_container.pendingCount();
    const bool kept = place(toItem, toPinned, from) && place(fromItem, fromPinned, to);
    if (!kept) {
        m_container.discardSince(mark);
    }
    return save(kept);
}

bool SlotStore::place(const std::optional<ClipboardItem>& item, bool pinned, int index) {
    if (!item) {
        return !record(index) ||
               m_container.change(QStringLiteral("DELETE FROM slot_record WHERE slot_index = ?"),
                                  {qint64{index}});
    }
    const auto stored = StoredItem::from(*item);
    if (!stored) {
        return false;
    }
    std::vector<SqlValue> values{qint64{index}, qint64{pinned ? 1 : 0},
                                 m_clock.now().secondsSinceReference()};
    for (SqlValue& v : stored->values()) {
        values.push_back(std::move(v));
    }
    return m_container.change(
        QStringLiteral("INSERT INTO slot_record (slot_index, pinned, updated_at, item_data, "
                       "png_at, png) VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (slot_index) DO "
                       "UPDATE SET pinned = excluded.pinned, updated_at = excluded.updated_at, "
                       "item_data = excluded.item_data, png_at = excluded.png_at, "
                       "png = excluded.png"),
        std::move(values));
}

StoreWrite SlotStore::clearAllUnpinned() {
    const auto unpinned = m_container.db().queryInt(
        QStringLiteral("SELECT count(*) FROM slot_record WHERE pinned = 0"));
    if (!unpinned || *unpinned == 0) {
        return StoreWrite::unchanged();
    }
    return save(m_container.change(QStringLiteral("DELETE FROM slot_record WHERE pinned = 0"), {}));
}

void SlotStore::addHistory(ClipboardItem item) {
    recordHistory(std::move(item));
}

StoreWrite SlotStore::recordHistory(ClipboardItem item) {
    if (repeatsNewestHistory(item)) {
        return StoreWrite::unchanged();
    }
    const auto stored = StoredItem::from(item);
    if (!stored) {
        qCWarning(Log::store) << "not recorded: the item's image could not be loaded";
        return StoreWrite::refused(QStringLiteral("the item's image could not be loaded"));
    }
    item = ClipboardItem(); // a large text is not held beside its encoding while it is written
    return addStoredHistory(*stored);
}

StoreWrite SlotStore::addStoredHistory(const StoredItem& stored) {
    std::vector<SqlValue> values{QUuid::createUuid().toString(QUuid::WithoutBraces),
                                 m_clock.now().secondsSinceReference()};
    for (SqlValue v : stored.values()) {
        values.push_back(std::move(v));
    }
    const bool inserted =
        m_container.change(QStringLiteral("INSERT INTO history_record (id, captured_at, "
                                          "item_data, png_at, png) VALUES (?, ?, ?, ?, ?)"),
                           std::move(values));
    // Trimming only follows an insertion that was kept.
    return save(inserted && trimHistory());
}

bool SlotStore::repeatsNewestHistory(const ClipboardItem& item) const {
    // Compared where it is stored, a piece at a time: a large newest entry is not decoded
    // beside the item (the two would hold the text twice over).
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT pk, png_at, length(png) FROM history_record "
                       "ORDER BY captured_at DESC, pk DESC LIMIT 1"));
    if (s.step() != SqliteStatement::Step::Row) {
        return false;
    }
    const qint64 pk = s.int64(0);
    const auto same = StoredItem::sameContent(
        m_container.db(), historyTable, pk, optionalInt(s, 1), s.int64(2), item,
        StoredItem::pngLoader(m_container.weakDb(),
                              QStringLiteral("SELECT png FROM history_record WHERE pk = ?"), {pk}));
    if (same) {
        return *same;
    }
    // Not readable piece by piece (a very long file list): decoded whole, when its sizes say
    // it may match.
    const QList<HistorySummary> newestSummary = recentHistorySummaries(1, 0);
    if (newestSummary.isEmpty() || newestSummary.first().summary.kind != item.kind ||
        newestSummary.first().summary.sizes != ItemSummary::sizesOf(item)) {
        return false;
    }
    const QList<ClipboardItem> newest = recentHistory(1);
    return !newest.isEmpty() && newest.first().sameContent(item);
}

QList<ClipboardItem> SlotStore::recentHistory(int limit) const {
    QList<ClipboardItem> out;
    for (HistoryEntry& e : recentHistoryEntries(limit)) {
        out.append(std::move(e.item));
    }
    return out;
}

QList<SlotStore::HistoryEntry> SlotStore::recentHistoryEntries(int limit) const {
    QList<HistoryEntry> out;
    if (limit <= 0) {
        return out;
    }
    SqliteStatement s = m_container.db().prepare(historyColumns);
    s.bind(1, qint64{limit});
    while (s.step() == SqliteStatement::Step::Row) {
        auto item = StoredItem::decodeDeferred(
            s.blob(3), optionalInt(s, 4), s.int64(5),
            StoredItem::pngLoader(
                m_container.weakDb(),
                // History rows never change after insertion and their keys are never reused.
                QStringLiteral("SELECT png FROM history_record WHERE pk = ?"), {s.int64(0)}));
        const QUuid id = QUuid::fromString(s.text(1));
        if (!item || id.isNull()) {
            continue; // undecodable rows are skipped, never repaired
        }
        out.append(HistoryEntry{id, std::move(*item), Instant(s.real(2))});
    }
    return out;
}

QList<SlotStore::HistorySummary> SlotStore::recentHistorySummaries(int limit,
                                                                   qsizetype maxChars) const {
    QList<HistorySummary> out;
    if (limit <= 0) {
        return out;
    }
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT pk, id, captured_at, png_at, length(png) FROM history_record "
                       "ORDER BY captured_at DESC, pk DESC LIMIT ?"));
    s.bind(1, qint64{limit});
    while (s.step() == SqliteStatement::Step::Row) {
        auto summary = StoredItem::summarize(m_container.db(), historyTable, s.int64(0),
                                             optionalInt(s, 3), s.int64(4), maxChars);
        const QUuid id = QUuid::fromString(s.text(1));
        if (!summary || id.isNull()) {
            continue; // undecodable rows are skipped, never repaired
        }
        out.append(HistorySummary{id, std::move(*summary), Instant(s.real(2))});
    }
    return out;
}

bool SlotStore::matchesQuery(const ClipboardItem& item, const QString& query) {
    const QString needle = query.trimmed().toLower();
    return needle.isEmpty() || item.preview().toLower().contains(needle);
}

QList<SlotStore::HistoryEntry> SlotStore::searchHistory(const QString& query, int limit) const {
    QList<HistoryEntry> out;
    for (HistoryEntry& e : recentHistoryEntries(limit)) {
        if (matchesQuery(e.item, query)) {
            out.append(std::move(e));
        }
    }
    return out;
}

StoreWrite SlotStore::deleteHistory(const QUuid& id) {
    const QString key = id.toString(QUuid::WithoutBraces);
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT count(*) FROM history_record WHERE id = ?"));
    s.bind(1, key);
    if (s.step() != SqliteStatement::Step::Row || s.int64(0) == 0) {
        return StoreWrite::unchanged();
    }
    return save(
        m_container.change(QStringLiteral("DELETE FROM history_record WHERE id = ?"), {key}));
}

qint64 SlotStore::historyCount() const {
    return m_container.db()
        .queryInt(QStringLiteral("SELECT count(*) FROM history_record"))
        .value_or(0);
}

bool SlotStore::trimHistory() {
    return m_container.change(
        QStringLiteral("DELETE FROM history_record WHERE pk IN (SELECT pk FROM "
                       "history_record ORDER BY captured_at DESC, pk DESC "
                       "LIMIT -1 OFFSET ?)"),
        {qint64{std::max(m_historyLimit, 0)}});
}

StoreWrite SlotStore::save(bool kept) {
    const StoreWrite result = m_container.finish(kept, QStringLiteral("save failed"));
    if (result.isSaved()) {
        ++m_revision;
        Q_EMIT revisionChanged(m_revision);
    }
    return result;
}

void SlotStore::noteSaved() {
    ++m_revision;
    Q_EMIT revisionChanged(m_revision);
}
