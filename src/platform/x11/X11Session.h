#pragma once

#include <QByteArray>

// Whether this X11 connection is a full X11 session. Under a Wayland session Qt may still run
// on X11 through XWayland, but key grabs there only see keys while an X window has focus, so
// global chords would seem on and do nothing in Wayland applications.
class X11Session {
public:
    // From XDG_SESSION_TYPE and WAYLAND_DISPLAY as they are set for this process.
    static bool isWaylandSession();
    static bool isWaylandSession(const QByteArray& sessionType, const QByteArray& waylandDisplay);
};
