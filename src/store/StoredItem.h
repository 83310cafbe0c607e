#pragma once

#include "SqliteStatement.h"
#include "clipboard/ClipboardItem.h"

#include <QByteArray>
#include <functional>
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

    static StoredItem from(const ClipboardItem& item);
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
    // Decodes a row's (item_data, png_at, png) columns starting at `column`.
    static std::optional<ClipboardItem> decodeRow(const SqliteStatement& row, int column);
};
