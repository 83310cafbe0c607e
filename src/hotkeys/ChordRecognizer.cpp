#include "ChordRecognizer.h"

HotkeyDecision ChordRecognizer::decide(const KeyStroke& stroke) const {
    if (stroke.keyCode == config.summon.keyCode && stroke.modifiers == config.summon.modifiers) {
        return HotkeyDecision::summon();
    }
    const auto& digits = digitByKeyCode();
    const auto it = digits.constFind(stroke.keyCode);
    if (it == digits.constEnd()) {
        return HotkeyDecision::passThrough();
    }
    if (stroke.modifiers == config.copyModifiers) {
        return HotkeyDecision::copyToSlot(*it);
    }
    if (stroke.modifiers == config.pasteModifiers) {
        return HotkeyDecision::pasteFromSlot(*it);
    }
    return HotkeyDecision::passThrough();
}

const QHash<quint16, int>& ChordRecognizer::digitByKeyCode() {
    static const QHash<quint16, int> table{{29, 0}, {18, 1}, {19, 2}, {20, 3}, {21, 4},
                                           {23, 5}, {22, 6}, {26, 7}, {28, 8}, {25, 9}};
    return table;
}

std::optional<quint16> ChordRecognizer::keyCode(int digit) {
    const auto& table = digitByKeyCode();
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (it.value() == digit) {
            return it.key();
        }
    }
    return std::nullopt;
}

Modifiers ChordRecognizer::modifiersFromFlags(quint64 flags) {
    qint64 raw = 0;
    if (flags & 0x100000) {
        raw |= Modifiers::command;
    }
    if (flags & 0x20000) {
        raw |= Modifiers::shift;
    }
    if (flags & 0x40000) {
        raw |= Modifiers::control;
    }
    if (flags & 0x80000) {
        raw |= Modifiers::option;
    }
    return Modifiers(raw);
}
