#pragma once

#include "ClipboardItem.h"

// Where the clipboard monitor puts what it reads: the slot store's history.
class HistorySink {
public:
    virtual ~HistorySink() = default;
    // Taken whole: the sink may let go of a large text once it has encoded it.
    virtual void addHistory(ClipboardItem item) = 0;
};
