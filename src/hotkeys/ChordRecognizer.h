#pragma once

#include "HotkeyConfig.h"
#include "HotkeyDecision.h"

#include <QHash>
#include <optional>

// Decides what a key stroke means under a configuration. Matching is exact: a chord held
// with one modifier more is not a chord. The summon chord is tried first.
struct ChordRecognizer {
    HotkeyConfig config;

    HotkeyDecision decide(const KeyStroke& stroke) const;

    // The ten digit keys of the main row (US-layout key codes) and their digits.
    static const QHash<quint16, int>& digitByKeyCode();
    static std::optional<quint16> keyCode(int digit);

    // The modifiers of a macOS-style event flag word (Command 0x100000, Shift 0x20000,
    // Control 0x40000, Option 0x80000); every other bit (Caps Lock, Fn, keypad, device
    // bits) is ignored.
    static Modifiers modifiersFromFlags(quint64 flags);
};
