#pragma once

#include "X11Connection.h"
#include "hotkeys/Modifiers.h"

#include <QList>
#include <cstdint>
#include <optional>

// How our four modifiers map to X11 modifier masks on this server (Alt and Super are
// usually Mod1 and Mod4, Num Lock Mod2, but the keymap decides), and which keycodes are
// modifier keys.
struct X11Modifiers {
    std::uint16_t shift = 1;    // ShiftMask
    std::uint16_t lock = 2;     // LockMask
    std::uint16_t control = 4;  // ControlMask
    std::uint16_t alt = 8;      // Mod1Mask
    std::uint16_t super = 64;   // Mod4Mask
    std::uint16_t numLock = 16; // Mod2Mask

    static X11Modifiers query(const X11Connection& x);

    // The X11 mask for a modifier set; absent when it holds bits we cannot grab.
    std::optional<std::uint16_t> toMask(Modifiers m) const;
    Modifiers fromState(std::uint16_t state) const;
    std::uint16_t relevant() const { return shift | control | alt | super; }
    // Every keycode bound to a modifier (Shift, Control, Alt, Super, ...).
    static QList<std::uint8_t> modifierKeycodes(const X11Connection& x);
};
