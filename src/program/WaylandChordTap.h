#pragma once

#include "app/SessionReport.h"
#include "hotkeys/EventTap.h"

class GlobalShortcutsPortal;
class PortalEventTap;

// The chords of a Wayland session: the desktop's GlobalShortcuts portal where it offers one;
// otherwise the compositor's own key bindings, which run the stashwick command (nothing to
// listen to here). While the portal has not answered, nothing is installed and the periodic
// start asks again. Either way the chords work only where keys can be pressed.
class WaylandChordTap final : public EventTap {
public:
    WaylandChordTap(GlobalShortcutsPortal& portal, PortalEventTap& portalTap, bool keystrokes);

    bool isTrusted() override;
    bool install(const HotkeyConfig& config, Handler handler) override;
    void updateConfig(const HotkeyConfig& config) override;
    void reenable() override {}
    QList<KeyChord> unavailableChords() const override { return {}; }

    // Where the chords come from now; the portal's assigned triggers go into `report`.
    void describe(SessionReport& report) const;

private:
    SessionReport::Chords source() const;

    GlobalShortcutsPortal& m_portal;
    PortalEventTap& m_portalTap;
    bool m_keystrokes;
    // What was installed, once it was: the portal's shortcuts or the compositor's bindings.
    SessionReport::Chords m_installed = SessionReport::Chords::Off;
};
