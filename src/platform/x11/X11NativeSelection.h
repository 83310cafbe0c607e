#pragma once

#include "clipboard/NativeSelection.h"

#include <QClipboard>

// The X11 means of one selection for QClipboard's pasteboard: X11PasteboardReader for another
// program's content and X11SelectionRequests for its requests of ours, on the display Qt
// runs on; neither without X11.
class X11NativeSelection {
public:
    static NativeSelection forQtDisplay(QClipboard::Mode mode);
};
