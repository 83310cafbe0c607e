#include "XdgDesktopServices.h"

#include "AutostartEntry.h"
#include "KeyboardSettings.h"
#include "hotkeys/CompositorBindings.h"

bool XdgDesktopServices::startsAtLogin() const {
    return AutostartEntry::isEnabled();
}

bool XdgDesktopServices::setStartsAtLogin(bool on) {
    return AutostartEntry::setEnabled(on, m_command, nullptr);
}

QStringList XdgDesktopServices::keyboardSettingsCommand() const {
    return KeyboardSettings::command();
}

bool XdgDesktopServices::openKeyboardSettings() {
    return KeyboardSettings::open();
}

QStringList XdgDesktopServices::compositorBindings(const HotkeyConfig& config,
                                                   const QString& flavour) const {
    return CompositorBindings::lines(config,
                                     flavour == u"hyprland" ? CompositorBindings::Flavour::Hyprland
                                                            : CompositorBindings::Flavour::Sway,
                                     m_command);
}
