#pragma once

#include <QtGlobal>
#include <optional>

// The stored key codes and X11 keycodes on an evdev server (Linux input codes + 8), both
// physical key positions, through the program's table of keys.
class KeyCodeMap {
public:
    static std::optional<quint8> toX11(quint16 virtualKeyCode);
    static std::optional<quint16> fromX11(quint8 x11KeyCode);
};
