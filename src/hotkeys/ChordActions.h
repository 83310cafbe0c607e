#pragma once

#include "HotkeyConfig.h"
#include "HotkeyDecision.h"
#include "KeyChord.h"

#include <QList>
#include <QString>
#include <optional>

// One of the 21 things a chord does, with the names each desktop service knows it by. These
// names are kept by the desktops (the portal's shortcut ids by kglobalaccel and GNOME, the
// GNOME entries' paths in dconf): they never change. (A chord other than the default one is
// given to the portal under the id with its trigger: see ShortcutTriggers.)
struct ChordAction {
    HotkeyDecision decision;
    // The GlobalShortcuts portal's shortcut id ("copy-slot-3") and description.
    QString portalId;
    QString description;
    // The automation URL that does the same ("stashwick://copy-to-slot/3").
    QString url;
    // The last part of the GNOME custom shortcut's path ("copy-3") and its name's tail.
    QString gnomeLeaf;
    QString gnomeName;

    // The chord that starts it under `config`: the copy or paste modifiers with the slot's
    // digit key, or the summon chord.
    KeyChord chord(const HotkeyConfig& config) const;
};

// The chord actions in their one order: copy into slot 0–9, paste slot 0–9, open the window.
class ChordActions {
public:
    static const QList<ChordAction>& all();
    static std::optional<ChordAction> withPortalId(const QString& id);
    // The action a decision stands for; nothing for pass-through or a slot outside 0–9.
    static std::optional<ChordAction> of(const HotkeyDecision& decision);
};
