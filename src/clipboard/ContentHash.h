#pragma once

#include "ClipboardItem.h"

#include <QString>

// The content hash: SHA-256 over a length-prefixed serialisation of the kind and the content
// flavours, as 64 lowercase hex digits. Creation time and source are not part of it.
class ContentHash {
public:
    static QString canonical(const ClipboardItem& item);
};
