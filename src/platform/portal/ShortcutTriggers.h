#pragma once

#include "hotkeys/HotkeyConfig.h"
#include "hotkeys/HotkeyDecision.h"

#include <QList>
#include <QString>
#include <optional>

// The chords of a configuration as the desktop's global shortcuts: 21 named shortcuts
// ("copy-slot-N", "paste-slot-N" for N = 0–9, "summon"; a chord other than the default one
// adds itself to the id, "copy-slot-3.ctrl-shift-3", since a desktop keeps the keys it holds
// for an id it already knows) with their descriptions and
// preferred triggers in the shortcuts form ("CTRL+ALT+3": the modifiers CTRL, ALT, SHIFT,
// LOGO in that order and an xkbcommon key name, joined by "+"), and the way back from a
// shortcut's id to what it does and from a trigger to a chord. Pure data, no D-Bus.
class ShortcutTriggers {
public:
    struct Shortcut {
        QString id;
        QString description;
        // Empty when the chord's key has no name in the shortcuts form.
        QString preferredTrigger;

        friend bool operator==(const Shortcut&, const Shortcut&) = default;
    };

    static inline const QString summonId = QStringLiteral("summon");

    // Copy into 0–9, paste 0–9, then summon.
    static QList<Shortcut> shortcuts(const HotkeyConfig& config);

    // "copy-slot-3" (or "copy-slot-3.ctrl-shift-3") → copy into slot 3, "paste-slot-0" →
    // paste slot 0, "summon"; nothing for any other id.
    static std::optional<HotkeyDecision> action(const QString& id);
    // The plain id of a copy, paste or summon decision (its id under the default chords);
    // empty for pass-through or a slot outside 0–9.
    static QString id(const HotkeyDecision& decision);
    // The chord a shortcut stands for under `config`: the copy modifiers with digit 3 for
    // "copy-slot-3", the summon chord for "summon".
    static std::optional<KeyStroke> stroke(const QString& id, const HotkeyConfig& config);

    // "CTRL+ALT+3"; nothing when the key has no name in the shortcuts form. Modifier bits
    // other than the four known ones are left out.
    static std::optional<QString> trigger(const KeyChord& chord);
    // A trigger back to a chord: modifiers in any order and case ("Ctrl", "Super" and
    // "Meta" read too), the key by its xkbcommon name (letters in either case). Nothing for
    // an empty, unknown or doubled part, or a modifier this program does not keep (NUM).
    static std::optional<KeyChord> chord(const QString& trigger);
};
