#pragma once

#include "ClipboardItem.h"
#include "ItemSummary.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <optional>

class ByteSource;

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
    // A size that encode(item) never comes below, found without encoding: every character
    // takes at least one byte, every data byte one. It tells an item too large for some limit
    // before the work of encoding it.
    static qint64 minimumSize(const ClipboardItem& item);
    static std::optional<ClipboardItem> decode(QByteArrayView bytes);

    // Decodes an encoding whose PNG content bytes [pngOffset, pngOffset + pngLength) were cut
    // out of `head`; the item's image becomes a deferred Blob that calls `loadPng`.
    static std::optional<ClipboardItem> decodeWithoutPng(QByteArrayView head, qint64 pngOffset,
                                                         qint64 pngLength,
                                                         std::function<QByteArray()> loadPng);

    // An item's kind, its boundedPreview(maxChars) and its flavour sizes, read from the stored
    // encoding without decoding it: only the list's structure, its keys, its small values and
    // the start of its text are read, a bounded piece at a time. What is not read (the text
    // after the preview, the characters of the other strings, data bytes, files after the
    // cut) is not checked either, so an encoding damaged only there gives a summary although
    // decode() refuses it; anything damaged in what is read gives none. An encoding whose
    // structure is too large to read piece by piece (a list of a great many files) is read
    // whole and decoded instead. `source` holds the encoding, with the PNG content bytes cut
    // out at `pngOffset` when that is given (as for decodeWithoutPng).
    static std::optional<ItemSummary> summarize(const ByteSource& source,
                                                std::optional<qint64> pngOffset, qint64 pngLength,
                                                qsizetype maxChars);
    static std::optional<ItemSummary> summarize(QByteArrayView bytes, qsizetype maxChars);

    // Whether the stored encoding in `source` (PNG content cut out at `pngOffset` when given)
    // holds the same content as `item` (ClipboardItem::sameContent), found without decoding
    // it: texts are compared as they are read, data a piece at a time, so a huge item costs
    // bounded memory. The cut-out image is compared by `samePng`. Absent when the encoding
    // does not read (or its file list is too large to read this way).
    static std::optional<bool> sameContent(const ByteSource& source,
                                           std::optional<qint64> pngOffset, qint64 pngLength,
                                           const ClipboardItem& item,
                                           const std::function<bool()>& samePng);
};
