#pragma once

#include <QString>
#include <QStringList>

// The desktop's own keyboard-shortcut settings, where Stashwick knows how to open them.
class KeyboardSettings {
public:
    // The command (program, then arguments) for the desktop named by XDG_CURRENT_DESKTOP
    // (GNOME, KDE Plasma, Xfce, Cinnamon, MATE); empty for any other.
    static QStringList command(const QString& currentDesktop);
    static QStringList command() { return command(qEnvironmentVariable("XDG_CURRENT_DESKTOP")); }
    // Starts it; false when there is none or it cannot be started.
    static bool open();
};
