#pragma once

#include "SqliteDatabase.h"
#include "SqliteStatement.h"
#include "clipboard/ClipboardItem.h"
#include "clipboard/ItemSummary.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// An item's stored encoding as three columns: the encoding with the image's PNG bytes cut
// out (`head`), the offset of the cut (`pngAt`, absent without an image) and the cut bytes
// (`png`). Joining them gives back the exact encoding. Keeping the image apart lets lists
// read and decode items without touching image data.
struct StoredItem {
    QByteArray head;
    std::optional<qint64> pngAt;
    QByteArray png;

    // Absent when the item's image is deferred and cannot be loaded in full any more.
    static std::optional<StoredItem> from(const ClipboardItem& item);
    // The complete stored encoding (`itemData`).
    QByteArray itemData() const;
    // head, png_at and png, in that order, for binding.
    std::vector<SqlValue> values() const;

    // Decodes columns read as (item_data, png_at, length(png)); the image, if any, is a
    // deferred blob that `loadPng` fetches when it is needed.
    static std::optional<ClipboardItem> decodeDeferred(const QByteArray& head,
                                                       std::optional<qint64> pngAt,
                                                       qint64 pngLength,
                                                       std::function<QByteArray()> loadPng);
    // Decodes columns read as (item_data, png_at, png), with the image in memory.
    static std::optional<ClipboardItem> decode(const QByteArray& head, std::optional<qint64> pngAt,
                                               const QByteArray& png);
    // Loads a row's PNG bytes when somebody asks for them: runs `query` (one row, the bytes in
    // its first column) with `keys` on the database while it exists; empty bytes when the
    // database or the row is gone. The keys should pin the row's version, not only the row,
    // so that a row rewritten since yields nothing rather than another image.
    static std::function<QByteArray()> pngLoader(std::weak_ptr<SqliteDatabase> db, QString query,
                                                 std::vector<SqlValue> keys);
    // Decodes a row's (item_data, png_at, png) columns starting at `column`.
    static std::optional<ClipboardItem> decodeRow(const SqliteStatement& row, int column);
    // The kind, bounded preview and flavour sizes of the item in row `rowid` of `table`
    // (ItemEncoding::summarize), its item_data read piece by piece through incremental blob
    // I/O; `pngAt` and `pngLength` are the row's png_at and length(png). Absent when the row
    // is gone or its data does not decode as far as the summary reads it.
    static std::optional<ItemSummary> summarize(SqliteDatabase& db, const QString& table,
                                                qint64 rowid, std::optional<qint64> pngAt,
                                                qint64 pngLength, qsizetype maxChars);
    // Whether row `rowid` of `table` holds the same content as `item`
    // (ItemEncoding::sameContent), its item_data read piece by piece and its image, if any,
    // fetched by `loadPng` only when everything else matched. Absent when the row is gone or
    // does not read that way.
    static std::optional<bool> sameContent(SqliteDatabase& db, const QString& table, qint64 rowid,
                                           std::optional<qint64> pngAt, qint64 pngLength,
                                           const ClipboardItem& item,
                                           const std::function<QByteArray()>& loadPng);
};
