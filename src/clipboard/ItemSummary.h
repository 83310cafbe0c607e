#pragma once

#include "ClipboardItem.h"
#include "ClipboardKind.h"

#include <QString>

// What lists of stored items show of one: its kind and its bounded preview, read from the
// start of its stored encoding, and the sizes of its flavours, which tell different contents
// apart without reading them.
struct ItemSummary {
    // Each flavour's size (characters for texts, bytes for data), -1 when it is absent, and
    // the number of files. Items with the same content always have equal sizes.
    struct Sizes {
        qint64 text = -1;
        qint64 rtf = -1;
        qint64 html = -1;
        qint64 png = -1;
        qint64 files = 0;
        friend bool operator==(const Sizes&, const Sizes&) = default;
    };

    ClipboardKind kind = ClipboardKind::Empty;
    // ClipboardItem::boundedPreview with the limit the summary was read with.
    QString preview;
    Sizes sizes;

    static Sizes sizesOf(const ClipboardItem& item);
};
