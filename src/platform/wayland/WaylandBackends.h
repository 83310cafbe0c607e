#pragma once

#include "WaylandConnection.h"

#include <QList>
#include <QString>

// What a Wayland compositor's globals offer this program, and which protocol does each job.
struct WaylandBackends {
    enum class Clipboard { X11, DataControl };
    enum class Keystrokes { None, VirtualKeyboard, KdeFakeInput };
    enum class FocusedApp { Unknown, WlrForeignToplevel, KdePlasmaWindows };

    Clipboard clipboard = Clipboard::X11;
    // Data-control version 2 also carries the primary selection.
    bool primarySelection = false;
    Keystrokes keystrokes = Keystrokes::None;
    FocusedApp focusedApp = FocusedApp::Unknown;

    // Data-control where offered (else the X11 clipboard through XWayland); a virtual keyboard
    // where offered, else KWin's fake input from version 4 (keyboard keys); the focused
    // window's app id from foreign toplevels or KWin's window management.
    static WaylandBackends choose(const QList<WaylandConnection::Global>& globals);

    // The names state.json and the log use: "wlr-data-control" / "x11"; "virtual-keyboard",
    // "kde-fake-input" / "none".
    QString clipboardName() const;
    QString keystrokesName() const;
};
