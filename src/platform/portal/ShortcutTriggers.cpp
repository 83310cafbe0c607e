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

// The id of a shortcut whose chord is not the default one's: the action's id, a dot and the
// trigger in lower case with "-" between its parts ("copy-slot-3.ctrl-shift-3"). A desktop
// keeps the keys it holds for an id it knows, so another chord needs another id.
QString idFor(const QString& plain, const std::optional<QString>& trigger,
              const std::optional<QString>& defaultTrigger) {
    if (!trigger || trigger == defaultTrigger) {
        return plain;
    }
    return plain + QLatin1Char('.') +
           trigger->toLower().replace(QLatin1Char('+'), QLatin1Char('-'));
}

// The action's id in `id`, which may carry a chord after a dot (lower-case letters, digits,
// "-" and "_").
std::optional<QString> plainId(const QString& id) {
    const qsizetype dot = id.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        return id;
    }
    const QStringView chord = QStringView(id).mid(dot + 1);
    if (chord.isEmpty()) {
        return std::nullopt;
    }
    for (const QChar c : chord) {
        const bool allowed =
            (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        if (!allowed) {
            return std::nullopt;
        }
    }
    return id.left(dot);
}

std::optional<ChordAction> actionWithId(const QString& id) {
    const auto plain = plainId(id);
    return plain ? ChordActions::withPortalId(*plain) : std::nullopt;
}

} // namespace

QList<ShortcutTriggers::Shortcut> ShortcutTriggers::shortcuts(const HotkeyConfig& config) {
    QList<Shortcut> out;
    out.reserve(ChordActions::all().size());
    const HotkeyConfig defaults = HotkeyConfig::defaults();
    for (const ChordAction& a : ChordActions::all()) {
        const auto chordTrigger = trigger(a.chord(config));
        out.append(Shortcut{idFor(a.portalId, chordTrigger, trigger(a.chord(defaults))),
                            a.description, chordTrigger.value_or(QString())});
    }
    return out;
}

std::optional<HotkeyDecision> ShortcutTriggers::action(const QString& id) {
    const auto a = actionWithId(id);
    return a ? std::optional<HotkeyDecision>(a->decision) : std::nullopt;
}

QString ShortcutTriggers::id(const HotkeyDecision& decision) {
    const auto a = ChordActions::of(decision);
    return a ? a->portalId : QString();
}

std::optional<KeyStroke> ShortcutTriggers::stroke(const QString& id, const HotkeyConfig& config) {
    const auto a = actionWithId(id);
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
