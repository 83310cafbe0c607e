#include "StatsService.h"

#include "StoreContainer.h"
#include "StoredItem.h"
#include "clipboard/ContentHash.h"
#include "clipboard/ItemEncoding.h"

#include <QUuid>
#include <algorithm>

StatsService::StatsService(StoreContainer& container, const Clock& clock, QObject* parent)
    : QObject(parent), m_container(container), m_clock(clock) {}

QString StatsService::rawValue(Kind kind) {
    return kind == Kind::Copy ? QStringLiteral("copy") : QStringLiteral("paste");
}

bool StatsService::insertEvent(Kind kind, std::optional<int> slot) {
    return m_container.change(
        QStringLiteral("INSERT INTO event_record (id, slot_index, kind, at) VALUES (?, ?, ?, ?)"),
        {QUuid::createUuid().toString(QUuid::WithoutBraces), qint64{slot.value_or(-1)},
         rawValue(kind), m_clock.now().secondsSinceReference()});
}

StoreWrite StatsService::record(Kind kind, std::optional<int> slot) {
    return save(insertEvent(kind, slot));
}

StatsService::CopiedContent StatsService::describeCopy(const ClipboardItem& item) {
    return {ContentHash::canonical(item), item.kind, item.boundedPreview(previewLimit)};
}

StoreWrite StatsService::recordCopy(const ClipboardItem& item, std::optional<int> slot) {
    // An item that cannot fit is not encoded at all (nor its deferred image loaded).
    const StoredItem stored = ItemEncoding::minimumSize(item) <= reloadableLimit
                                  ? StoredItem::from(item).value_or(StoredItem{})
                                  : StoredItem{};
    return recordCopy(describeCopy(item), stored, slot);
}

StoreWrite StatsService::recordCopy(const CopiedContent& copy, const StoredItem& stored,
                                    std::optional<int> slot) {
    const bool eventKept = insertEvent(Kind::Copy, slot);
    const QString& hash = copy.hash;
    const bool fits =
        !stored.head.isEmpty() && stored.head.size() + stored.png.size() <= reloadableLimit;
    const double now = m_clock.now().secondsSinceReference();
    const QString kind = ::rawValue(copy.kind);
    const QString& preview = copy.preview;

    SqliteStatement find = m_container.db().prepare(
        QStringLiteral("SELECT pk FROM content_stat WHERE content_hash = ? ORDER BY pk LIMIT 1"));
    find.bind(1, hash);
    const bool exists = find.step() == SqliteStatement::Step::Row;
    const qint64 pk = exists ? find.int64(0) : 0;

    bool kept = false;
    if (!exists) {
        const StoredItem content = fits ? stored : StoredItem{};
        std::vector<SqlValue> values{hash, kind, preview, qint64{fits ? 1 : 0}, now, now};
        for (SqlValue& v : content.values()) {
            values.push_back(std::move(v));
        }
        kept = m_container.change(
            QStringLiteral("INSERT INTO content_stat (content_hash, kind, preview, loadable, "
                           "copy_count, first_copied_at, last_copied_at, item_data, png_at, png) "
                           "VALUES (?, ?, ?, ?, 1, ?, ?, ?, ?, ?)"),
            std::move(values));
    } else if (fits) {
        std::vector<SqlValue> values{now, preview, kind};
        for (SqlValue& v : stored.values()) {
            values.push_back(std::move(v));
        }
        values.push_back(pk);
        kept = m_container.change(
            QStringLiteral("UPDATE content_stat SET copy_count = copy_count + 1, "
                           "last_copied_at = ?, preview = ?, kind = ?, item_data = ?, png_at = ?, "
                           "png = ?, loadable = 1 WHERE pk = ?"),
            std::move(values));
    } else {
        kept = m_container.change(
            QStringLiteral("UPDATE content_stat SET copy_count = copy_count + 1, "
                           "last_copied_at = ?, preview = ?, kind = ? WHERE pk = ?"),
            {now, preview, kind, pk});
    }
    return save(eventKept && kept);
}

qint64 StatsService::total(Kind kind) const {
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT coalesce(sum(count), 0) FROM event_count WHERE kind = ?"));
    s.bind(1, rawValue(kind));
    return s.step() == SqliteStatement::Step::Row ? s.int64(0) : 0;
}

qint64 StatsService::count(Kind kind, int slot) const {
    SqliteStatement s = m_container.db().prepare(QStringLiteral(
        "SELECT coalesce(sum(count), 0) FROM event_count WHERE kind = ? AND slot_index = ?"));
    s.bind(1, rawValue(kind));
    s.bind(2, qint64{slot});
    return s.step() == SqliteStatement::Step::Row ? s.int64(0) : 0;
}

QList<std::pair<int, qint64>> StatsService::bySlot(Kind kind) const {
    QList<std::pair<int, qint64>> out;
    for (int slot = 0; slot < 10; ++slot) {
        if (const qint64 n = count(kind, slot); n >= 1) {
            out.append({slot, n});
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return out;
}

QList<StatsService::TopContent> StatsService::topCopied(int limit) const {
    QList<TopContent> out;
    if (limit <= 0) {
        return out;
    }
    SqliteStatement s = m_container.db().prepare(QStringLiteral(
        "SELECT content_hash, kind, substr(preview, 1, ?), copy_count, last_copied_at, "
        "loadable, item_data, png_at, length(png), pk FROM content_stat ORDER BY copy_count "
        "DESC, last_copied_at DESC LIMIT ?"));
    // Previews are kept cut; one kept whole by an older version is cut here as well.
    s.bind(1, qint64{previewLimit + 1});
    s.bind(2, qint64{limit});
    while (s.step() == SqliteStatement::Step::Row) {
        TopContent top;
        top.id = s.text(0);
        top.rank = static_cast<int>(out.size()) + 1;
        top.kind = clipboardKindFromRaw(s.text(1)).value_or(ClipboardKind::Text);
        top.preview = ClipboardItem::cutPreview(s.text(2), previewLimit);
        top.copyCount = s.int64(3);
        top.lastCopiedAt = Instant(s.real(4));
        top.loadable = s.int64(5) != 0;
        if (top.kind == ClipboardKind::Image && top.loadable) {
            const auto item = StoredItem::decodeDeferred(
                s.blob(6), s.isNull(7) ? std::nullopt : std::optional<qint64>(s.int64(7)),
                s.int64(8),
                StoredItem::pngLoader(
                    m_container.weakDb(),
                    // A row is rewritten when its content is copied again.
                    QStringLiteral("SELECT png FROM content_stat WHERE pk = ? AND copy_count = ?"),
                    {s.int64(9), top.copyCount}));
            if (item && item->imagePNG) {
                top.imagePNG = item->imagePNG;
            }
        }
        out.append(std::move(top));
    }
    return out;
}

std::optional<ClipboardItem> StatsService::loadableItem(const QString& contentHash) const {
    SqliteStatement s = m_container.db().prepare(
        QStringLiteral("SELECT loadable, item_data, png_at, png FROM content_stat WHERE "
                       "content_hash = ? ORDER BY pk LIMIT 1"));
    s.bind(1, contentHash);
    if (s.step() != SqliteStatement::Step::Row || s.int64(0) == 0) {
        return std::nullopt;
    }
    return StoredItem::decodeRow(s, 1);
}

qint64 StatsService::contentStatCount() const {
    return m_container.db()
        .queryInt(QStringLiteral("SELECT count(*) FROM content_stat"))
        .value_or(0);
}

StoreWrite StatsService::save(bool kept) {
    const StoreWrite result = m_container.finish(kept, QStringLiteral("stats save failed"));
    if (result.isSaved()) {
        ++m_revision;
        Q_EMIT revisionChanged(m_revision);
    }
    return result;
}

void StatsService::noteSaved() {
    ++m_revision;
    Q_EMIT revisionChanged(m_revision);
}
