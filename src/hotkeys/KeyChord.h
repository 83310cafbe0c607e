#pragma once

#include "Modifiers.h"

#include <QtGlobal>

// One key (a virtual key code naming a US-layout position) held with a modifier set.
struct KeyChord {
    quint16 keyCode = 0;
    Modifiers modifiers;

    friend constexpr bool operator==(const KeyChord&, const KeyChord&) = default;
    // "Control + Alt + Super + V".
    QString display() const;
    QString display(const KeyboardConventions& desktop) const;
};

// The key code and modifiers of one observed key-down event.
using KeyStroke = KeyChord;

size_t qHash(const KeyChord& c, size_t seed = 0) noexcept;
