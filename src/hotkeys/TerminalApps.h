#pragma once

#include <QString>

// Which applications are terminal emulators, where Control+C interrupts the running program
// and Control+V inserts a literal character, so copy and paste must be Control+Shift+C and
// Control+Shift+V instead; and which of them are the older terminals (xterm, rxvt) that bind
// neither and copy by selecting. An application is named by its X11 WM_CLASS (instance and
// class, separated by a space) or by its Wayland app id ("foot", "org.gnome.Terminal"), in any
// case; a name matches when one of its space-separated parts is a known terminal.
class TerminalApps {
public:
    static bool isTerminal(const QString& name);
    static bool copiesBySelection(const QString& name);
};
