#include "HotkeyConfig.h"

#include "KeyNames.h"
#include "core/UserDefaults.h"

#include <QHashFunctions>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>

namespace {

// An integer JSON value that fits in 64 bits, exactly.
std::optional<qint64> integer(const QJsonValue& v) {
    if (!v.isDouble()) {
        return std::nullopt;
    }
    const QVariant var = v.toVariant();
    if (var.typeId() == QMetaType::LongLong || var.typeId() == QMetaType::Int) {
        return var.toLongLong();
    }
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9007199254740992.0) {
        return std::nullopt;
    }
    return static_cast<qint64>(d);
}

} // namespace

HotkeyConfig HotkeyConfig::load(const UserDefaults& defaults) {
    const auto stored = defaults.data(defaultsKey);
    if (!stored) {
        return HotkeyConfig::defaults();
    }
    return fromJson(*stored).value_or(HotkeyConfig::defaults());
}

void HotkeyConfig::save(UserDefaults& defaults) const {
    defaults.setData(defaultsKey, toJson());
}

QByteArray HotkeyConfig::toJson() const {
    QJsonObject summonObject{{QStringLiteral("keyCode"), summon.keyCode},
                             {QStringLiteral("modifiers"), summon.modifiers.rawValue}};
    QJsonObject root{{QStringLiteral("copyModifiers"), copyModifiers.rawValue},
                     {QStringLiteral("pasteModifiers"), pasteModifiers.rawValue},
                     {QStringLiteral("summon"), summonObject}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<HotkeyConfig> HotkeyConfig::fromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    const auto copy = integer(root.value(QStringLiteral("copyModifiers")));
    const auto paste = integer(root.value(QStringLiteral("pasteModifiers")));
    const QJsonValue summonValue = root.value(QStringLiteral("summon"));
    if (!copy || !paste || !summonValue.isObject()) {
        return std::nullopt;
    }
    const QJsonObject summonObject = summonValue.toObject();
    const auto keyCode = integer(summonObject.value(QStringLiteral("keyCode")));
    const auto modifiers = integer(summonObject.value(QStringLiteral("modifiers")));
    if (!keyCode || !modifiers || *keyCode < 0 || *keyCode > 65535) {
        return std::nullopt;
    }
    HotkeyConfig config;
    config.copyModifiers = Modifiers(*copy);
    config.pasteModifiers = Modifiers(*paste);
    config.summon = KeyChord{static_cast<quint16>(*keyCode), Modifiers(*modifiers)};
    return config;
}

std::optional<QString> HotkeyConfig::reservedSystemShortcut(const KeyStroke& stroke,
                                                            const KeyboardConventions& desktop) {
    return desktop.reservedShortcut(stroke);
}

QList<HotkeyConflict> HotkeyConfig::conflicts(const QList<KeyChord>& heldElsewhere,
                                              const KeyboardConventions& desktop) const {
    QList<HotkeyConflict> out;
    for (Modifiers mods : {copyModifiers, pasteModifiers}) {
        for (int d = 0; d <= 9; ++d) {
            const KeyStroke stroke{*KeyNames::keyCode(d), mods};
            if (const auto text = desktop.reservedShortcut(stroke)) {
                out.append({mods.chord(QString::number(d), desktop), *text});
            }
        }
    }
    if (const auto text = desktop.reservedShortcut(summon)) {
        out.append({summon.display(desktop), *text});
    }
    if (copyModifiers == pasteModifiers) {
        out.append({copyModifiers.chord(QStringLiteral("N"), desktop),
                    QStringLiteral("Copy and paste use the same chord")});
    }
    for (const KeyChord& chord : heldElsewhere) {
        const HotkeyConflict conflict{chord.display(desktop), heldElsewhereText};
        if (!out.contains(conflict)) {
            out.append(conflict);
        }
    }
    return out;
}

size_t qHash(const HotkeyConfig& c, size_t seed) noexcept {
    return qHashMulti(seed, c.copyModifiers.rawValue, c.pasteModifiers.rawValue, c.summon.keyCode,
                      c.summon.modifiers.rawValue);
}
