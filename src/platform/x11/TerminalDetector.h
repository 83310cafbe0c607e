#pragma once

#include "X11Connection.h"
#include "hotkeys/TerminalApps.h"

#include <QString>

// Whether the focused window belongs to a terminal emulator, by its WM_CLASS (see
// TerminalApps for what follows from that).
class TerminalDetector {
public:
    static bool isTerminalClass(const QString& wmClass) {
        return TerminalApps::isTerminal(wmClass);
    }
    static bool copiesBySelection(const QString& wmClass) {
        return TerminalApps::copiesBySelection(wmClass);
    }
    // WM_CLASS (instance and class) of the active window (_NET_ACTIVE_WINDOW, else the input
    // focus and its ancestors).
    static QString activeWindowClass(const X11Connection& x);
    static bool activeWindowIsTerminal(const X11Connection& x) {
        return isTerminalClass(activeWindowClass(x));
    }
};
