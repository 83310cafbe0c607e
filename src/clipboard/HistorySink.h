#pragma once

#include "ClipboardItem.h"

// Where the clipboard monitor puts what it reads: the slot store's history.
class HistorySink {
public:
    virtual ~HistorySink() = default;
    virtual void addHistory(const ClipboardItem& item) = 0;
};
