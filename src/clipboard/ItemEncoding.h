#pragma once

#include "ClipboardItem.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <optional>

// The stored form of a ClipboardItem (`itemData`): a binary property list holding a
// dictionary with the keys "kind", "text", "rtf", "html", "imagePNG", "files", "createdAt"
// and "sourceBundleID". Absent optional fields are left out; "kind", "files" and
// "createdAt" are required. Decoding fails on a missing required key, a wrong type, an
// unknown kind, a duplicate key or a malformed list; unknown keys are ignored.
class ItemEncoding {
public:
    struct Encoded {
        QByteArray bytes;
        // Where the image's PNG bytes sit inside `bytes`; -1 when the item has none.
        qint64 pngOffset = -1;
        qint64 pngLength = 0;
    };

    static Encoded encode(const ClipboardItem& item);
    static std::optional<ClipboardItem> decode(QByteArrayView bytes);

    // Decodes an encoding whose PNG content bytes [pngOffset, pngOffset + pngLength) were cut
    // out of `head`; the item's image becomes a deferred Blob that calls `loadPng`.
    static std::optional<ClipboardItem> decodeWithoutPng(QByteArrayView head, qint64 pngOffset,
                                                         qint64 pngLength,
                                                         std::function<QByteArray()> loadPng);
};
