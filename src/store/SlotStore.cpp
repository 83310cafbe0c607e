#include "SlotStore.h"

#include "StoreContainer.h"
#include "StoredItem.h"
#include "core/Log.h"

namespace {

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

bool SlotStore::isPinned(int index) const {
    const auto row = record(index);
    return row && row->pinned;
}

bool SlotStore::setItem(const ClipboardItem& item, int index) {
    const auto stored = StoredItem::from(item);
    if (!stored) {
        qCWarning(Log::store) << "not stored: the item's image could not be loaded";
        return false;
    }
    std::vector<SqlValue> values = stored->values();
    values.push_back(m_clock.now().secondsSinceReference());
    bool changed = false;
    if (const auto row = record(index)) {
        values.push_back(row->pk);
        changed = m_container.change(QStringLiteral("UPDATE slot_record SET item_data = ?, "
                                                    "png_at = ?, png = ?, updated_at = ? "
                                                    "WHERE pk = ?"),
                                     std::move(values));
    } else {
        values.push_back(qint64{index});
        changed = m_container.change(
            QStringLiteral("INSERT INTO slot_record (item_data, png_at, png, updated_at, "
                           "slot_index, pinned) VALUES (?, ?, ?, ?, ?, 0)"),
            std::move(values));
    }
    return save(changed);
}

bool SlotStore::clear(int index) {
    if (!record(index)) {
        return false;
    }
    return save(m_container.change(QStringLiteral("DELETE FROM slot_record WHERE slot_index = ?"),
                                   {qint64{index}}));
}

bool SlotStore::togglePinned(int index) {
    const auto row = record(index);
    if (!row) {
        return false;
    }
    return save(m_container.change(QStringLiteral("UPDATE slot_record SET pinned = ? WHERE pk = ?"),
                                   {qint64{row->pinned ? 0 : 1}, row->pk}));
}

bool SlotStore::move(int from, int to) {
    if (from < 0 || from >= slotCount || to < 0 || to >= slotCount || from == to) {
        return false;
    }
    const auto fromItem = item(from);
    const bool fromPinned = isPinned(from);
    const auto toItem = item(to);
    const bool toPinned = isPinned(to);
    if (!fromItem && !toItem) {
        return false;
    }
    const bool first = place(toItem, toPinned, from);
    return place(fromItem, fromPinned, to) && first;
}

bool SlotStore::place(const std::optional<ClipboardItem>& item, bool pinned, int index) {
    if (item) {
        return setItem(*item, index) &&
               save(m_container.change(
                   QStringLiteral("UPDATE slot_record SET pinned = ? WHERE slot_index = ?"),
                   {qint64{pinned ? 1 : 0}, qint64{index}}));
    }
    if (record(index)) {
        return save(m_container.change(
            QStringLiteral("DELETE FROM slot_record WHERE slot_index = ?"), {qint64{index}}));
    }
    return true;
}

bool SlotStore::clearAllUnpinned() {
    const auto unpinned = m_container.db().queryInt(
        QStringLiteral("SELECT count(*) FROM slot_record WHERE pinned = 0"));
    if (!unpinned || *unpinned == 0) {
        return false;
    }
    return save(m_container.change(QStringLiteral("DELETE FROM slot_record WHERE pinned = 0"), {}));
}

void SlotStore::addHistory(const ClipboardItem& item) {
    const QList<ClipboardItem> newest = recentHistory(1);
    if (!newest.isEmpty() && newest.first().sameContent(item)) {
        return;
    }
    const auto stored = StoredItem::from(item);
    if (!stored) {
        qCWarning(Log::store) << "not recorded: the item's image could not be loaded";
        return;
    }
    std::vector<SqlValue> values{QUuid::createUuid().toString(QUuid::WithoutBraces),
                                 m_clock.now().secondsSinceReference()};
    for (SqlValue v : stored->values()) {
        values.push_back(std::move(v));
    }
    const bool inserted =
        m_container.change(QStringLiteral("INSERT INTO history_record (id, captured_at, "
                                          "item_data, png_at, png) VALUES (?, ?, ?, ?, ?)"),
                           std::move(values));
    save(trimHistory() && inserted);
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

bool SlotStore::deleteHistory(const QUuid& id) {
    const QString key = id.toString(QUuid::WithoutBraces);
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT count(*) FROM history_record WHERE id = ?"));
    s.bind(1, key);
    if (s.step() != SqliteStatement::Step::Row || s.int64(0) == 0) {
        return false;
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

bool SlotStore::save(bool changed) {
    if (!m_container.saveLogged(QStringLiteral("save failed"))) {
        return false;
    }
    ++m_revision;
    Q_EMIT revisionChanged(m_revision);
    return changed;
}
