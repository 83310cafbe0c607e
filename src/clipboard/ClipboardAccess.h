#pragma once

#include "ClipboardEvents.h"
#include "ClipboardRead.h"

// The narrow interface through which the program reaches the clipboard.
class ClipboardAccess {
public:
    virtual ~ClipboardAccess() = default;
    // Increases whenever the content is replaced, by this program or any other.
    virtual qint64 changeCount() const = 0;
    // The current content; absent when there is none, it cannot be represented, or it is
    // concealed; refused, with its size, when one of its formats is over ContentLimit.
    virtual ClipboardRead read() = 0;
    virtual void write(const ClipboardItem& item) = 0;
    virtual bool isConcealed() = 0;
    // The changes and the reads of our content as the session reports them; null where it
    // reports nothing, and the counter must be polled.
    virtual ClipboardEvents* events() { return nullptr; }
    // False once another program replaced what this program wrote last; true while that is
    // still there, and wherever it cannot be told.
    virtual bool holdsOwnWrite() const { return true; }
};
