#pragma once

#include "GlobalShortcutsPortal.h"
#include "hotkeys/EventTap.h"

#include <QMetaObject>

// Global chords from the desktop's GlobalShortcuts portal, behind the same EventTap as the
// X11 key grabs: the desktop sends no key events, only the shortcut it activated, and each
// one reaches the handler as the key-down of the chord it stands for under the installed
// configuration ("copy-slot-3" as the copy modifiers with digit 3, "summon" as the summon
// chord), so the recognizer and the coordinator decide as they do on X11.
//
// The portal is asked at construction. Until it has answered, the tap reports itself as
// not trusted, so the controller's periodic start retries; once the portal is known to be
// there, install() binds the configuration's 21 shortcuts and isTrusted() stays true only
// while they are bound. A new configuration binds again.
class PortalEventTap final : public EventTap {
public:
    explicit PortalEventTap(GlobalShortcutsPortal& portal);
    ~PortalEventTap() override;
    PortalEventTap(const PortalEventTap&) = delete;
    PortalEventTap& operator=(const PortalEventTap&) = delete;

    // True while the shortcuts are bound, and also once the portal is known to be there
    // and nothing has been installed yet (so that the controller goes on to install).
    bool isTrusted() override;
    // Binds the shortcuts of `config`; false while the portal is being asked or when the
    // desktop offers none.
    bool install(const HotkeyConfig& config, Handler handler) override;
    void updateConfig(const HotkeyConfig& config) override;
    void reenable() override {}
    // The desktop settles conflicts itself and says so in the assigned triggers.
    QList<KeyChord> unavailableChords() const override { return {}; }

    GlobalShortcutsPortal& portal() { return m_portal; }

private:
    void activated(const QString& id);

    GlobalShortcutsPortal& m_portal;
    HotkeyConfig m_config;
    Handler m_handler;
    bool m_installed = false;
    QMetaObject::Connection m_activation;
};
