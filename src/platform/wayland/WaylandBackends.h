#pragma once

#include "WaylandConnection.h"

#include <QList>
#include <QString>

// What a Wayland compositor's globals offer this program, and which protocol does each job.
struct WaylandBackends {
    enum class Clipboard { X11, WlrDataControl, ExtDataControl };
    enum class Keystrokes { None, VirtualKeyboard, KdeFakeInput };
    enum class FocusedApp { Unknown, WlrForeignToplevel, KdePlasmaWindows };

    Clipboard clipboard = Clipboard::X11;
    // Data-control carries the primary selection too (ext-data-control always, wlr-data-control
    // from version 2); the device still learns whether the compositor keeps one.
    bool primarySelection = false;
    Keystrokes keystrokes = Keystrokes::None;
    FocusedApp focusedApp = FocusedApp::Unknown;

    // The standard ext-data-control where offered, else wlr-data-control, else the X11 clipboard
    // through XWayland; a virtual keyboard where offered, else KWin's fake input from version 4
    // (keyboard keys); the focused window's app id from foreign toplevels or KWin's window
    // management.
    static WaylandBackends choose(const QList<WaylandConnection::Global>& globals);

    // The names state.json and the log use: "ext-data-control", "wlr-data-control" / "x11";
    // "virtual-keyboard", "kde-fake-input" / "none".
    QString clipboardName() const;
    QString keystrokesName() const;
};
