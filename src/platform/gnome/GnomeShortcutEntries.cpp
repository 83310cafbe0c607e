#include "GnomeShortcutEntries.h"

#include "hotkeys/ChordActions.h"
#include "hotkeys/KeyTable.h"

namespace {

const QString ourPrefix = QStringLiteral("stashwick-");

// `word` for a shell (GNOME splits the command line the way a shell does): in single quotes,
// with each single quote closed, escaped and opened again.
QString singleQuoted(const QString& word) {
    return u'\'' + QString(word).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

} // namespace

QList<GnomeShortcuts::Entry> GnomeShortcutEntries::entries(const HotkeyConfig& config,
                                                           const QString& command) {
    QList<GnomeShortcuts::Entry> out;
    for (const ChordAction& a : ChordActions::all()) {
        const KeyChord chord = a.chord(config);
        const auto key = KeyTable::xkbName(chord.keyCode);
        out.append({folder + ourPrefix + a.gnomeLeaf + u'/',
                    QStringLiteral("Stashwick: ") + a.gnomeName, commandLine(command, a.url),
                    key ? accelerator(chord.modifiers, *key) : QString()});
    }
    return out;
}

bool GnomeShortcutEntries::isOurs(const QString& path) {
    return path.startsWith(folder + ourPrefix);
}

QString GnomeShortcutEntries::accelerator(Modifiers modifiers, const QString& key) {
    QString out;
    for (const auto& [member, name] :
         {std::pair{Modifiers::control, "<Control>"}, std::pair{Modifiers::option, "<Alt>"},
          std::pair{Modifiers::shift, "<Shift>"}, std::pair{Modifiers::command, "<Super>"}}) {
        if (modifiers.contains(member)) {
            out += QLatin1String(name);
        }
    }
    return out + key;
}

QString GnomeShortcutEntries::commandLine(const QString& command, const QString& url) {
    return singleQuoted(command) + u' ' + singleQuoted(url);
}
