#pragma once

#include "hotkeys/EventTap.h"
#include "hotkeys/KeystrokeSynthesizing.h"
#include "platform/x11/X11Connection.h"

#include <memory>
#include <optional>

class Scheduler;

// The session's global-chord services: on X11, key grabs and XTest; elsewhere (Wayland, also
// when Qt runs on XWayland there; no display) stand-ins that report the session as not
// trusted, so chords stay off and everything else works.
class PlatformServices {
public:
    explicit PlatformServices(Scheduler& scheduler);
    ~PlatformServices();

    EventTap& eventTap() { return *m_tap; }
    KeystrokeSynthesizing& synthesizer() { return *m_synth; }
    bool isTrusted() { return m_tap->isTrusted(); }
    // Whether windows can be see-through (a compositor runs).
    bool translucentWindows() const { return m_translucent; }
    // Makes the window the active one where the window manager allows it (X11); else nothing.
    void activateWindow(unsigned long windowId, unsigned long userTime);

private:
    std::unique_ptr<EventTap> m_tap;
    std::unique_ptr<KeystrokeSynthesizing> m_synth;
    bool m_translucent = false;
    std::optional<X11Connection> m_x11;
};
