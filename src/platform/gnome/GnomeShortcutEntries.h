#pragma once

#include "hotkeys/GnomeShortcuts.h"

#include <QString>

// Where GNOME keeps custom keyboard shortcuts, and Stashwick's 21 entries there for a
// configuration: each under a path of its own below the custom-keybindings folder whose name
// starts with "stashwick-", named "Stashwick: …", running the stashwick command with the
// chord's automation URL, bound to the chord as GTK writes accelerators.
class GnomeShortcutEntries {
public:
    // The schema whose "custom-keybindings" key lists the entries' paths.
    static inline const QString listSchema =
        QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
    static inline const QString listKey = QStringLiteral("custom-keybindings");
    // The relocatable schema of one entry (keys "name", "command" and "binding").
    static inline const QString entrySchema =
        QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
    static inline const QString folder =
        QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");

    // The 21 entries: copy 0–9, paste 0–9, then the window. `command` is the stashwick
    // command's absolute path.
    static QList<GnomeShortcuts::Entry> entries(const HotkeyConfig& config, const QString& command);
    // Whether `path` is one of Stashwick's (any path of ours, also one this version no longer
    // writes).
    static bool isOurs(const QString& path);
    // "<Control><Alt>3": the modifiers in the order Control, Alt, Shift, Super, then the key.
    static QString accelerator(Modifiers modifiers, const QString& key);
    // The command line GNOME runs: the command and the URL, each in single quotes.
    static QString commandLine(const QString& command, const QString& url);
};
