#pragma once

#include "X11Connection.h"

#include <QString>

// Whether the focused window belongs to a terminal emulator, where Control+C interrupts the
// running program and Control+V inserts a literal character, so copy and paste must be
// Control+Shift+C and Control+Shift+V instead; and whether it is one of the older terminals
// (xterm, rxvt) that bind neither and copy by selecting.
class TerminalDetector {
public:
    static bool isTerminalClass(const QString& wmClass);
    static bool copiesBySelection(const QString& wmClass);
    // WM_CLASS (instance and class) of the active window (_NET_ACTIVE_WINDOW, else the input
    // focus and its ancestors).
    static QString activeWindowClass(const X11Connection& x);
    static bool activeWindowIsTerminal(const X11Connection& x) {
        return isTerminalClass(activeWindowClass(x));
    }
};
