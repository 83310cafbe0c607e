#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The keys the program knows, one row each: the stored key code (a US-layout key position, the
// codes of the Apple layout, as everywhere in the program), the Linux input event code of the
// same physical key (X11 keycodes on an evdev server, Wayland's key events and the portals'
// keycodes are that code, or that code + 8), and the key's xkbcommon name on the base level of
// a US layout, the name that every desktop's shortcut syntax reads: the portal's triggers,
// sway's and Hyprland's bindings, GNOME's accelerators. Chords follow the key, not its symbol,
// so they keep working under any layout.
class KeyTable {
public:
    // The Linux input event code of a key code's key.
    static std::optional<quint16> inputCode(quint16 keyCode);
    static std::optional<quint16> keyCodeOfInput(quint16 inputCode);
    // "a", "3", "Return", "semicolon", "F5", "KP_1", "Page_Up".
    static std::optional<QString> xkbName(quint16 keyCode);
    // Back from a name: also the other names xkbcommon gives the same keys ("Prior"), and a
    // single letter in either case ("V" is Shift+v's symbol, the same key).
    static std::optional<quint16> keyCodeNamed(const QString& xkbName);
};
