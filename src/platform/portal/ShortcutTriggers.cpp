#include "ShortcutTriggers.h"

#include "hotkeys/KeyNames.h"
#include "hotkeys/KeyTable.h"

#include <QStringList>
#include <array>
#include <utility>

namespace {

const QString copyPrefix = QStringLiteral("copy-slot-");
const QString pastePrefix = QStringLiteral("paste-slot-");

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

std::optional<int> slotAfter(const QString& id, const QString& prefix) {
    if (!id.startsWith(prefix) || id.size() != prefix.size() + 1) {
        return std::nullopt;
    }
    const QChar digit = id.back();
    if (digit < QLatin1Char('0') || digit > QLatin1Char('9')) {
        return std::nullopt;
    }
    return digit.unicode() - u'0';
}

} // namespace

QList<ShortcutTriggers::Shortcut> ShortcutTriggers::shortcuts(const HotkeyConfig& config) {
    QList<Shortcut> out;
    out.reserve(21);
    const auto slotShortcut = [](const QString& prefix, const QString& description,
                                 Modifiers modifiers, int digit) {
        const KeyChord chord{*KeyNames::keyCode(digit), modifiers};
        return Shortcut{prefix + QString::number(digit), description.arg(digit),
                        trigger(chord).value_or(QString())};
    };
    for (int digit = 0; digit <= 9; ++digit) {
        out.append(slotShortcut(copyPrefix, QStringLiteral("Copy into slot %1"),
                                config.copyModifiers, digit));
    }
    for (int digit = 0; digit <= 9; ++digit) {
        out.append(slotShortcut(pastePrefix, QStringLiteral("Paste slot %1"), config.pasteModifiers,
                                digit));
    }
    out.append(Shortcut{summonId, QStringLiteral("Open Stashwick"),
                        trigger(config.summon).value_or(QString())});
    return out;
}

std::optional<HotkeyDecision> ShortcutTriggers::action(const QString& id) {
    if (id == summonId) {
        return HotkeyDecision::summon();
    }
    if (const auto slot = slotAfter(id, copyPrefix)) {
        return HotkeyDecision::copyToSlot(*slot);
    }
    if (const auto slot = slotAfter(id, pastePrefix)) {
        return HotkeyDecision::pasteFromSlot(*slot);
    }
    return std::nullopt;
}

QString ShortcutTriggers::id(const HotkeyDecision& decision) {
    const bool inRange = decision.slot >= 0 && decision.slot <= 9;
    switch (decision.kind) {
    case HotkeyDecision::Kind::Summon:
        return summonId;
    case HotkeyDecision::Kind::CopyToSlot:
        return inRange ? copyPrefix + QString::number(decision.slot) : QString();
    case HotkeyDecision::Kind::PasteFromSlot:
        return inRange ? pastePrefix + QString::number(decision.slot) : QString();
    case HotkeyDecision::Kind::PassThrough:
        break;
    }
    return {};
}

std::optional<KeyStroke> ShortcutTriggers::stroke(const QString& id, const HotkeyConfig& config) {
    const auto decision = action(id);
    if (!decision) {
        return std::nullopt;
    }
    switch (decision->kind) {
    case HotkeyDecision::Kind::Summon:
        return config.summon;
    case HotkeyDecision::Kind::CopyToSlot:
        return KeyStroke{*KeyNames::keyCode(decision->slot), config.copyModifiers};
    case HotkeyDecision::Kind::PasteFromSlot:
        return KeyStroke{*KeyNames::keyCode(decision->slot), config.pasteModifiers};
    case HotkeyDecision::Kind::PassThrough:
        break;
    }
    return std::nullopt;
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
