#include "StoredItem.h"

#include "SqliteBlob.h"
#include "clipboard/ItemEncoding.h"

std::optional<StoredItem> StoredItem::from(const ClipboardItem& item) {
    ItemEncoding::Encoded enc;
    if (item.imagePNG && item.imagePNG->isDeferred()) {
        auto png = item.imagePNG->load();
        if (!png) {
            return std::nullopt;
        }
        ClipboardItem loaded = item;
        loaded.imagePNG = Blob(std::move(*png));
        enc = ItemEncoding::encode(loaded);
    } else {
        enc = ItemEncoding::encode(item);
    }
    StoredItem out;
    if (enc.pngOffset >= 0 && enc.pngLength > 0) {
        out.pngAt = enc.pngOffset;
        out.png = enc.bytes.mid(enc.pngOffset, enc.pngLength);
        enc.bytes.remove(enc.pngOffset, enc.pngLength);
    }
    out.head = std::move(enc.bytes);
    // Cutting the image out leaves the head with the whole encoding's allocation.
    out.head.squeeze();
    return out;
}

QByteArray StoredItem::itemData() const {
    if (!pngAt || *pngAt < 0 || *pngAt > head.size()) {
        return head;
    }
    QByteArray out = head;
    out.insert(*pngAt, png);
    return out;
}

std::vector<SqlValue> StoredItem::values() const {
    return {head, pngAt ? SqlValue(*pngAt) : SqlValue(nullptr),
            pngAt ? SqlValue(png) : SqlValue(nullptr)};
}

std::optional<ClipboardItem> StoredItem::decodeDeferred(const QByteArray& head,
                                                        std::optional<qint64> pngAt,
                                                        qint64 pngLength,
                                                        std::function<QByteArray()> loadPng) {
    if (!pngAt) {
        return ItemEncoding::decode(head);
    }
    return ItemEncoding::decodeWithoutPng(head, *pngAt, pngLength, std::move(loadPng));
}

std::optional<ClipboardItem> StoredItem::decode(const QByteArray& head, std::optional<qint64> pngAt,
                                                const QByteArray& png) {
    auto item = decodeDeferred(head, pngAt, png.size(), [png] { return png; });
    if (item && item->imagePNG && item->imagePNG->isDeferred()) {
        item->imagePNG = Blob(png);
    }
    return item;
}

std::optional<ClipboardItem> StoredItem::decodeRow(const SqliteStatement& row, int column) {
    const std::optional<qint64> pngAt =
        row.isNull(column + 1) ? std::nullopt : std::optional<qint64>(row.int64(column + 1));
    return decode(row.blob(column), pngAt, row.blob(column + 2));
}

std::function<QByteArray()> StoredItem::pngLoader(std::weak_ptr<SqliteDatabase> db, QString query,
                                                  std::vector<SqlValue> keys) {
    return [db = std::move(db), query = std::move(query), keys = std::move(keys)]() {
        const auto open = db.lock();
        if (!open) {
            return QByteArray();
        }
        SqliteStatement s = open->prepare(query);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            s.bind(static_cast<int>(i) + 1, keys[i]);
        }
        return s.step() == SqliteStatement::Step::Row ? s.blob(0) : QByteArray();
    };
}

std::optional<ItemSummary> StoredItem::summarize(SqliteDatabase& db, const QString& table,
                                                 qint64 rowid, std::optional<qint64> pngAt,
                                                 qint64 pngLength, qsizetype maxChars) {
    const auto cell = SqliteBlob::open(db, table, QStringLiteral("item_data"), rowid);
    if (!cell) {
        return std::nullopt;
    }
    return ItemEncoding::summarize(*cell, pngAt, pngLength, maxChars);
}

std::optional<bool> StoredItem::sameContent(SqliteDatabase& db, const QString& table, qint64 rowid,
                                            std::optional<qint64> pngAt, qint64 pngLength,
                                            const ClipboardItem& item,
                                            const std::function<QByteArray()>& loadPng) {
    const auto cell = SqliteBlob::open(db, table, QStringLiteral("item_data"), rowid);
    if (!cell) {
        return std::nullopt;
    }
    return ItemEncoding::sameContent(*cell, pngAt, pngLength, item, [&] {
        return item.imagePNG && item.imagePNG->size() == pngLength &&
               item.imagePNG->bytes() == loadPng();
    });
}
