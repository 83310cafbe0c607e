#pragma once

#include "hotkeys/HotkeyConfig.h"

#include <QString>
#include <QStringList>

class GnomeShortcuts;

// What the window's views need of the desktop: starting at login, the desktop's keyboard
// settings program, GNOME's custom keyboard shortcuts and the compositor's key bindings.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // "Launch at login".
    virtual bool startsAtLogin() const = 0;
    // False when it could not be changed (the log says why); it is then as it was.
    virtual bool setStartsAtLogin(bool on) = 0;
    // The desktop's keyboard settings program (program, then arguments); empty where Stashwick
    // does not know one.
    virtual QStringList keyboardSettingsCommand() const = 0;
    // False when there is none or it cannot be started.
    virtual bool openKeyboardSettings() = 0;
    // GNOME's custom keyboard shortcuts, where the session's chords come from them; null
    // elsewhere.
    virtual GnomeShortcuts* gnomeShortcuts() const = 0;
    // The lines that give the chords of `config` through a compositor's configuration
    // ("hyprland", else sway's syntax), each running the installed command.
    virtual QStringList compositorBindings(const HotkeyConfig& config,
                                           const QString& flavour) const = 0;
};
