#pragma once

#include <QtGlobal>
#include <optional>

// The stored key codes name US-layout key positions (the codes of the Apple layout);
// X11 keycodes on an evdev server are Linux input codes + 8, which name physical positions
// too. This table maps one to the other for the letter and digit rows, punctuation, the
// keypad, the function keys and navigation, so chords follow the key, not its symbol, and
// keep working under any layout.
class KeyCodeMap {
public:
    static std::optional<quint8> toX11(quint16 virtualKeyCode);
    static std::optional<quint16> fromX11(quint8 x11KeyCode);
};
