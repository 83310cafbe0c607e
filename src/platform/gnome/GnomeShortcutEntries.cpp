#include "GnomeShortcutEntries.h"

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
    const auto entry = [&](const QString& name, const QString& url, Modifiers modifiers,
                           const QString& key, const QString& leaf) {
        out.append({folder + ourPrefix + leaf + u'/', QStringLiteral("Stashwick: ") + name,
                    commandLine(command, QStringLiteral("stashwick://") + url),
                    key.isEmpty() ? QString() : accelerator(modifiers, key)});
    };
    for (int n = 0; n <= 9; ++n) {
        const QString digit = QString::number(n);
        entry(QStringLiteral("copy into slot ") + digit, QStringLiteral("copy-to-slot/") + digit,
              config.copyModifiers, digit, QStringLiteral("copy-") + digit);
    }
    for (int n = 0; n <= 9; ++n) {
        const QString digit = QString::number(n);
        entry(QStringLiteral("paste slot ") + digit, QStringLiteral("paste-slot/") + digit,
              config.pasteModifiers, digit, QStringLiteral("paste-") + digit);
    }
    entry(QStringLiteral("open window"), QStringLiteral("summon"), config.summon.modifiers,
          KeyTable::xkbName(config.summon.keyCode).value_or(QString()), QStringLiteral("summon"));
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
