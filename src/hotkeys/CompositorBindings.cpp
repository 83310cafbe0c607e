#include "CompositorBindings.h"

#include "ChordActions.h"
#include "KeyTable.h"

#include <QMap>

namespace {

// A word the shell passes through unchanged inside single quotes.
QString shellQuoted(const QString& word) {
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QStringList modifierNames(Modifiers m, CompositorBindings::Flavour flavour) {
    const bool sway = flavour == CompositorBindings::Flavour::Sway;
    QStringList names;
    if (m.contains(Modifiers::control)) {
        names << (sway ? QStringLiteral("Ctrl") : QStringLiteral("CTRL"));
    }
    if (m.contains(Modifiers::option)) {
        names << (sway ? QStringLiteral("Alt") : QStringLiteral("ALT"));
    }
    if (m.contains(Modifiers::shift)) {
        names << (sway ? QStringLiteral("Shift") : QStringLiteral("SHIFT"));
    }
    if (m.contains(Modifiers::command)) {
        names << (sway ? QStringLiteral("Mod4") : QStringLiteral("SUPER"));
    }
    return names;
}

} // namespace

std::optional<CompositorBindings::Flavour> CompositorBindings::flavourNamed(const QString& name) {
    if (name == u"sway") {
        return Flavour::Sway;
    }
    if (name == u"hyprland") {
        return Flavour::Hyprland;
    }
    return std::nullopt;
}

QString CompositorBindings::binding(Flavour flavour, Modifiers modifiers, const QString& key,
                                    const QString& command, const QString& url) {
    const QString run = shellQuoted(command) + QLatin1Char(' ') + shellQuoted(url);
    const QStringList mods = modifierNames(modifiers, flavour);
    if (flavour == Flavour::Sway) {
        return QStringLiteral("bindsym %1 exec %2").arg((mods + QStringList{key}).join(u'+'), run);
    }
    return QStringLiteral("bind = %1, %2, exec, %3").arg(mods.join(u' '), key, run);
}

QStringList CompositorBindings::lines(const HotkeyConfig& config, Flavour flavour,
                                      const QString& command) {
    QStringList out;
    for (const ChordAction& a : ChordActions::all()) {
        const KeyChord chord = a.chord(config);
        if (const auto key = KeyTable::xkbName(chord.keyCode)) {
            out << binding(flavour, chord.modifiers, *key, command, a.url);
        } else {
            out << QStringLiteral("# %1: the key of its chord (code %2) has no name a compositor "
                                  "reads; record the chord on another key in Stashwick's settings")
                       .arg(a.url)
                       .arg(chord.keyCode);
        }
    }
    return out;
}
