#include "ChordActions.h"

#include "KeyNames.h"

namespace {

QList<ChordAction> made() {
    QList<ChordAction> out;
    out.reserve(21);
    for (int n = 0; n <= 9; ++n) {
        const QString d = QString::number(n);
        out.append({HotkeyDecision::copyToSlot(n), QStringLiteral("copy-slot-") + d,
                    QStringLiteral("Copy into slot ") + d,
                    QStringLiteral("stashwick://copy-to-slot/") + d, QStringLiteral("copy-") + d,
                    QStringLiteral("copy into slot ") + d});
    }
    for (int n = 0; n <= 9; ++n) {
        const QString d = QString::number(n);
        out.append({HotkeyDecision::pasteFromSlot(n), QStringLiteral("paste-slot-") + d,
                    QStringLiteral("Paste slot ") + d,
                    QStringLiteral("stashwick://paste-slot/") + d, QStringLiteral("paste-") + d,
                    QStringLiteral("paste slot ") + d});
    }
    out.append({HotkeyDecision::summon(), QStringLiteral("summon"),
                QStringLiteral("Open Stashwick"), QStringLiteral("stashwick://summon"),
                QStringLiteral("summon"), QStringLiteral("open window")});
    return out;
}

} // namespace

KeyChord ChordAction::chord(const HotkeyConfig& config) const {
    switch (decision.kind) {
    case HotkeyDecision::Kind::CopyToSlot:
        return KeyChord{*KeyNames::keyCode(decision.slot), config.copyModifiers};
    case HotkeyDecision::Kind::PasteFromSlot:
        return KeyChord{*KeyNames::keyCode(decision.slot), config.pasteModifiers};
    case HotkeyDecision::Kind::Summon:
    case HotkeyDecision::Kind::PassThrough:
        break;
    }
    return config.summon;
}

const QList<ChordAction>& ChordActions::all() {
    static const QList<ChordAction> actions = made();
    return actions;
}

std::optional<ChordAction> ChordActions::withPortalId(const QString& id) {
    for (const ChordAction& a : all()) {
        if (a.portalId == id) {
            return a;
        }
    }
    return std::nullopt;
}

std::optional<ChordAction> ChordActions::of(const HotkeyDecision& decision) {
    if (decision.kind == HotkeyDecision::Kind::PassThrough) {
        return std::nullopt;
    }
    for (const ChordAction& a : all()) {
        if (a.decision == decision) {
            return a;
        }
    }
    return std::nullopt;
}
