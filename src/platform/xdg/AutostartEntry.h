#pragma once

#include <QString>

// "Launch at login" on the Linux desktop: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/io.stashwick.Stashwick.desktop, whose Exec starts the program through
// the installed command (which starts it without opening the window).
class AutostartEntry {
public:
    // The entry's path (the folder comes from XDG_CONFIG_HOME, normally ~/.config).
    static QString path();
    // The entry's name in earlier releases (stashwick.desktop): still read while it is the only
    // one, removed when the entry is written or switched off.
    static QString earlierPath();
    // Whether the entry (or the earlier one) exists and is not switched off (Hidden=true or
    // X-GNOME-Autostart-enabled=false).
    static bool isEnabled();
    // Writes the entry (atomically) or removes it. On failure `error` says why, the log has
    // "login item update failed: <why>", and the entry is as it was.
    static bool setEnabled(bool enabled, const QString& command, QString* error);
    // The entry's text for `command` (an absolute path).
    static QByteArray contents(const QString& command);
};
