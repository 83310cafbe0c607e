#include "SlotStore.h"

#include "StoreContainer.h"
#include "StoredItem.h"

namespace {

const QString historyColumns =
    QStringLiteral("SELECT pk, id, captured_at, item_data, png_at, length(png) FROM history_record "
                   "ORDER BY captured_at DESC, pk DESC LIMIT ?");

std::optional<qint64> optionalInt(const SqliteStatement& s, int column) {
    return s.isNull(column) ? std::nullopt : std::optional<qint64>(s.int64(column));
}

// Loads one history row's PNG bytes when somebody asks for them. History rows are never
// changed after insertion (AUTOINCREMENT keys are never reused), so the key stays valid
// for as long as the row exists; a deleted row yields empty bytes.
std::function<QByteArray()> historyPngLoader(std::weak_ptr<SqliteDatabase> weak, qint64 pk) {
    return [weak = std::move(weak), pk]() -> QByteArray {
        auto db = weak.lock();
        if (!db) {
            return {};
        }
        SqliteStatement s =
            db->prepare(QStringLiteral("SELECT png FROM history_record WHERE pk = ?"));
        s.bind(1, pk);
        if (s.step() != SqliteStatement::Step::Row) {
            return {};
        }
        return s.blob(0);
    };
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
        QStringLiteral("SELECT slot_index, item_data, png_at, png FROM slot_record ORDER BY pk"));
    while (s.step() == SqliteStatement::Step::Row) {
        const qint64 index = s.int64(0);
        if (index < 0 || index >= slotCount || seen[static_cast<std::size_t>(index)]) {
            continue;
        }
        seen[static_cast<std::size_t>(index)] = true;
        out[static_cast<std::size_t>(index)] = StoredItem::decodeRow(s, 1);
    }
    return out;
}

bool SlotStore::isPinned(int index) const {
    const auto row = record(index);
    return row && row->pinned;
}

void SlotStore::setItem(const ClipboardItem& item, int index) {
    const StoredItem stored = StoredItem::from(item);
    std::vector<SqlValue> values = stored.values();
    values.push_back(m_clock.now().secondsSinceReference());
    if (const auto row = record(index)) {
        values.push_back(row->pk);
        m_container.change(QStringLiteral("UPDATE slot_record SET item_data = ?, png_at = ?, "
                                          "png = ?, updated_at = ? WHERE pk = ?"),
                           std::move(values));
    } else {
        values.push_back(qint64{index});
        m_container.change(
            QStringLiteral("INSERT INTO slot_record (item_data, png_at, png, updated_at, "
                           "slot_index, pinned) VALUES (?, ?, ?, ?, ?, 0)"),
            std::move(values));
    }
    save();
}

void SlotStore::clear(int index) {
    if (!record(index)) {
        return;
    }
    m_container.change(QStringLiteral("DELETE FROM slot_record WHERE slot_index = ?"),
                       {qint64{index}});
    save();
}

void SlotStore::togglePinned(int index) {
    const auto row = record(index);
    if (!row) {
        return;
    }
    m_container.change(QStringLiteral("UPDATE slot_record SET pinned = ? WHERE pk = ?"),
                       {qint64{row->pinned ? 0 : 1}, row->pk});
    save();
}

void SlotStore::move(int from, int to) {
    if (from < 0 || from >= slotCount || to < 0 || to >= slotCount || from == to) {
        return;
    }
    const auto fromItem = item(from);
    const bool fromPinned = isPinned(from);
    const auto toItem = item(to);
    const bool toPinned = isPinned(to);
    place(toItem, toPinned, from);
    place(fromItem, fromPinned, to);
}

void SlotStore::place(const std::optional<ClipboardItem>& item, bool pinned, int index) {
    if (item) {
        setItem(*item, index);
        m_container.change(QStringLiteral("UPDATE slot_record SET pinned = ? WHERE slot_index = ?"),
                           {qint64{pinned ? 1 : 0}, qint64{index}});
        save();
    } else if (record(index)) {
        m_container.change(QStringLiteral("DELETE FROM slot_record WHERE slot_index = ?"),
                           {qint64{index}});
        save();
    }
}

void SlotStore::clearAllUnpinned() {
    const auto unpinned = m_container.db().queryInt(
        QStringLiteral("SELECT count(*) FROM slot_record WHERE pinned = 0"));
    if (!unpinned || *unpinned == 0) {
        return;
    }
    m_container.change(QStringLiteral("DELETE FROM slot_record WHERE pinned = 0"), {});
    save();
}

void SlotStore::addHistory(const ClipboardItem& item) {
    const QList<ClipboardItem> newest = recentHistory(1);
    if (!newest.isEmpty() && newest.first().sameContent(item)) {
        return;
    }
    std::vector<SqlValue> values{QUuid::createUuid().toString(QUuid::WithoutBraces),
                                 m_clock.now().secondsSinceReference()};
    for (SqlValue& v : StoredItem::from(item).values()) {
        values.push_back(std::move(v));
    }
    m_container.change(QStringLiteral("INSERT INTO history_record (id, captured_at, item_data, "
                                      "png_at, png) VALUES (?, ?, ?, ?, ?)"),
                       std::move(values));
    trimHistory();
    save();
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
        auto item = StoredItem::decodeDeferred(s.blob(3), optionalInt(s, 4), s.int64(5),
                                               historyPngLoader(m_container.weakDb(), s.int64(0)));
        const QUuid id = QUuid::fromString(s.text(1));
        if (!item || id.isNull()) {
            continue; // undecodable rows are skipped, never repaired
        }
        out.append(HistoryEntry{id, std::move(*item), Instant(s.real(2))});
    }
    return out;
}

QList<SlotStore::HistoryEntry> SlotStore::searchHistory(const QString& query, int limit) const {
    QList<HistoryEntry> entries = recentHistoryEntries(limit);
    const QString needle = query.trimmed().toLower();
    if (needle.isEmpty()) {
        return entries;
    }
    QList<HistoryEntry> out;
    for (HistoryEntry& e : entries) {
        if (e.item.preview().toLower().contains(needle)) {
            out.append(std::move(e));
        }
    }
    return out;
}

void SlotStore::deleteHistory(const QUuid& id) {
    const QString key = id.toString(QUuid::WithoutBraces);
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT count(*) FROM history_record WHERE id = ?"));
    s.bind(1, key);
    if (s.step() != SqliteStatement::Step::Row || s.int64(0) == 0) {
        return;
    }
    m_container.change(QStringLiteral("DELETE FROM history_record WHERE id = ?"), {key});
    save();
}

qint64 SlotStore::historyCount() const {
    return m_container.db()
        .queryInt(QStringLiteral("SELECT count(*) FROM history_record"))
        .value_or(0);
}

void SlotStore::trimHistory() {
    m_container.change(QStringLiteral("DELETE FROM history_record WHERE pk IN (SELECT pk FROM "
                                      "history_record ORDER BY captured_at DESC, pk DESC "
                                      "LIMIT -1 OFFSET ?)"),
                       {qint64{std::max(m_historyLimit, 0)}});
}

void SlotStore::save() {
    if (m_container.saveLogged(QStringLiteral("save failed"))) {
        ++m_revision;
        Q_EMIT revisionChanged(m_revision);
    }
}
