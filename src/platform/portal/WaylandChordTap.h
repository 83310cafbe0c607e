#pragma once

#include "hotkeys/EventTap.h"
#include "hotkeys/SessionReport.h"

class GlobalShortcutsPortal;
class PortalEventTap;

#include <functional>

// The chords of a Wayland session: the desktop's GlobalShortcuts portal where it offers one;
// otherwise key bindings that run the stashwick command (nothing to listen to here): the
// compositor's own, or GNOME's custom keyboard shortcuts, which work once they are added.
// While the portal has not answered, nothing is installed and the periodic start asks again.
// Either way the chords work only where keys can be pressed.
class WaylandChordTap final : public EventTap {
public:
    struct Fallback {
        SessionReport::Chords chords = SessionReport::Chords::CompositorBindings;
        // Whether the bindings are in place (the compositor's: always assumed).
        std::function<bool()> ready = [] { return true; };
        // Whether the fallback also takes the chords from a portal that refuses them after
        // they went to it (GNOME's custom shortcuts, which the user adds); otherwise the
        // chords stay off with the portal's reason.
        bool afterRefusal = false;
    };

    // Without a portal (null) the fallback gives the chords from the start.
    WaylandChordTap(GlobalShortcutsPortal* portal, PortalEventTap* portalTap, Fallback fallback,
                    std::function<bool()> keystrokes);

    bool isTrusted() override;
    bool install(const HotkeyConfig& config, Handler handler) override;
    void updateConfig(const HotkeyConfig& config) override;
    void reenable() override {}
    QList<KeyChord> unavailableChords() const override { return {}; }

    // Where the chords come from now; the portal's assigned triggers go into `report`.
    void describe(SessionReport& report) const;

private:
    SessionReport::Chords source() const;

    GlobalShortcutsPortal* m_portal;
    PortalEventTap* m_portalTap;
    Fallback m_fallback;
    std::function<bool()> m_keystrokes;
    // What was installed, once it was: the portal's shortcuts or the compositor's bindings.
    SessionReport::Chords m_installed = SessionReport::Chords::Off;
};
