#include "ShortcutTriggers.h"

#include "hotkeys/ChordActions.h"
#include "hotkeys/KeyTable.h"

#include <QStringList>
#include <array>
#include <utility>

namespace {

// The four modifiers in trigger order, each with the names a trigger may give it.
struct ModifierName {
    qint64 member;
    const char* name;
    std::array<const char*, 3> others;
};
constexpr ModifierName modifierNames[] = {
    {Modifiers::control, "CTRL", {"CONTROL", "", ""}},
    {Modifiers::option, "ALT", {"MOD1", "", ""}},
    {Modifiers::shift, "SHIFT", {"", "", ""}},
    {Modifiers::command, "LOGO", {"SUPER", "META", "MOD4"}},
};

std::optional<qint64> modifierNamed(const QString& part) {
    const QString upper = part.toUpper();
    for (const ModifierName& m : modifierNames) {
        if (upper == QLatin1String(m.name)) {
            return m.member;
        }
        for (const char* other : m.others) {
            if (*other != '\0' && upper == QLatin1String(other)) {
                return m.member;
            }
        }
    }
    return std::nullopt;
}

} // namespace

QList<ShortcutTriggers::Shortcut> ShortcutTriggers::shortcuts(const HotkeyConfig& config) {
    QList<Shortcut> out;
    out.reserve(ChordActions::all().size());
    for (const ChordAction& a : ChordActions::all()) {
        out.append(
            Shortcut{a.portalId, a.description, trigger(a.chord(config)).value_or(QString())});
    }
    return out;
}

std::optional<HotkeyDecision> ShortcutTriggers::action(const QString& id) {
    const auto a = ChordActions::withPortalId(id);
    return a ? std::optional<HotkeyDecision>(a->decision) : std::nullopt;
}

QString ShortcutTriggers::id(const HotkeyDecision& decision) {
    const auto a = ChordActions::of(decision);
    return a ? a->portalId : QString();
}

std::optional<KeyStroke> ShortcutTriggers::stroke(const QString& id, const HotkeyConfig& config) {
    const auto a = ChordActions::withPortalId(id);
    return a ? std::optional<KeyStroke>(a->chord(config)) : std::nullopt;
}

std::optional<QString> ShortcutTriggers::trigger(const KeyChord& chord) {
    const auto key = KeyTable::xkbName(chord.keyCode);
    if (!key) {
        return std::nullopt;
    }
    QStringList parts;
    for (const ModifierName& m : modifierNames) {
        if (chord.modifiers.contains(m.member)) {
            parts << QLatin1String(m.name);
        }
    }
    parts << *key;
    return parts.join(QLatin1Char('+'));
}

std::optional<KeyChord> ShortcutTriggers::chord(const QString& trigger) {
    const QStringList parts = trigger.trimmed().split(QLatin1Char('+'));
    if (parts.isEmpty()) {
        return std::nullopt;
    }
    Modifiers modifiers;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const auto member = modifierNamed(parts[i].trimmed());
        if (!member || modifiers.contains(*member)) {
            return std::nullopt;
        }
        modifiers = modifiers.inserting(*member);
    }
    const auto key = KeyTable::keyCodeNamed(parts.back().trimmed());
    if (!key) {
        return std::nullopt;
    }
    return KeyChord{*key, modifiers};
}
