#pragma once

#include "app/DesktopServices.h"

// The desktop services of an XDG desktop: the autostart entry, the keyboard settings program
// of the current desktop, and the bindings running `command`, the installed stashwick command.
class XdgDesktopServices final : public DesktopServices {
public:
    XdgDesktopServices(QString command, GnomeShortcuts* gnome)
        : m_command(std::move(command)), m_gnome(gnome) {}

    bool startsAtLogin() const override;
    bool setStartsAtLogin(bool on) override;
    QStringList keyboardSettingsCommand() const override;
    bool openKeyboardSettings() override;
    GnomeShortcuts* gnomeShortcuts() const override { return m_gnome; }
    QStringList compositorBindings(const HotkeyConfig& config,
                                   const QString& flavour) const override;

private:
    QString m_command;
    GnomeShortcuts* m_gnome;
};
