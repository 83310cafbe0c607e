#include "ShortcutTriggers.h"

#include "hotkeys/KeyNames.h"

#include <QStringList>
#include <array>
#include <utility>

namespace {

const QString copyPrefix = QStringLiteral("copy-slot-");
const QString pastePrefix = QStringLiteral("paste-slot-");

// (key code, xkbcommon key name of the key on the base level of a US layout). The key codes
// name US-layout positions as everywhere in the program; the names follow the physical key,
// so the F13–F15 positions of a full Apple keyboard are Print, Scroll Lock and Pause on a PC.
constexpr std::pair<quint16, const char*> keyNames[] = {
    {0, "a"},
    {1, "s"},
    {2, "d"},
    {3, "f"},
    {4, "h"},
    {5, "g"},
    {6, "z"},
    {7, "x"},
    {8, "c"},
    {9, "v"},
    {10, "less"},
    {11, "b"},
    {12, "q"},
    {13, "w"},
    {14, "e"},
    {15, "r"},
    {16, "y"},
    {17, "t"},
    {18, "1"},
    {19, "2"},
    {20, "3"},
    {21, "4"},
    {22, "6"},
    {23, "5"},
    {24, "equal"},
    {25, "9"},
    {26, "7"},
    {27, "minus"},
    {28, "8"},
    {29, "0"},
    {30, "bracketright"},
    {31, "o"},
    {32, "u"},
    {33, "bracketleft"},
    {34, "i"},
    {35, "p"},
    {36, "Return"},
    {37, "l"},
    {38, "j"},
    {39, "apostrophe"},
    {40, "k"},
    {41, "semicolon"},
    {42, "backslash"},
    {43, "comma"},
    {44, "slash"},
    {45, "n"},
    {46, "m"},
    {47, "period"},
    {48, "Tab"},
    {49, "space"},
    {50, "grave"},
    {51, "BackSpace"},
    {53, "Escape"},
    {65, "KP_Decimal"},
    {67, "KP_Multiply"},
    {69, "KP_Add"},
    {71, "Num_Lock"},
    {75, "KP_Divide"},
    {76, "KP_Enter"},
    {78, "KP_Subtract"},
    {81, "KP_Equal"},
    {82, "KP_0"},
    {83, "KP_1"},
    {84, "KP_2"},
    {85, "KP_3"},
    {86, "KP_4"},
    {87, "KP_5"},
    {88, "KP_6"},
    {89, "KP_7"},
    {91, "KP_8"},
    {92, "KP_9"},
    {122, "F1"},
    {120, "F2"},
    {99, "F3"},
    {118, "F4"},
    {96, "F5"},
    {97, "F6"},
    {98, "F7"},
    {100, "F8"},
    {101, "F9"},
    {109, "F10"},
    {103, "F11"},
    {111, "F12"},
    {105, "Print"},
    {107, "Scroll_Lock"},
    {113, "Pause"},
    {64, "F13"},
    {79, "F14"},
    {80, "F15"},
    {90, "F16"},
    {114, "Insert"},
    {115, "Home"},
    {116, "Page_Up"},
    {117, "Delete"},
    {119, "End"},
    {121, "Page_Down"},
    {123, "Left"},
    {124, "Right"},
    {125, "Down"},
    {126, "Up"},
};

// Other names xkbcommon gives the same keys.
constexpr std::pair<const char*, const char*> keyAliases[] = {
    {"Prior", "Page_Up"},
    {"Next", "Page_Down"},
    {"KP_Separator", "KP_Decimal"},
};

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
    const auto key = keyName(chord.keyCode);
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
    const auto key = keyCode(parts.back().trimmed());
    if (!key) {
        return std::nullopt;
    }
    return KeyChord{*key, modifiers};
}

std::optional<QString> ShortcutTriggers::keyName(quint16 keyCode) {
    for (const auto& [code, name] : keyNames) {
        if (code == keyCode) {
            return QString::fromLatin1(name);
        }
    }
    return std::nullopt;
}

std::optional<quint16> ShortcutTriggers::keyCode(const QString& keyName) {
    if (keyName.isEmpty()) {
        return std::nullopt;
    }
    QString name = keyName;
    for (const auto& [alias, canonical] : keyAliases) {
        if (name == QLatin1String(alias)) {
            name = QString::fromLatin1(canonical);
        }
    }
    // A single letter names its key in either case ("V" is Shift+v's symbol, the same key).
    if (name.size() == 1 && name.front().isLetter()) {
        name = name.toLower();
    }
    for (const auto& [code, known] : keyNames) {
        if (name == QLatin1String(known)) {
            return code;
        }
    }
    return std::nullopt;
}
