#pragma once

#include <QByteArray>
#include <optional>

// Whether this X11 connection is a full X11 session. Under a Wayland session Qt may still run
// on X11 through XWayland, but key grabs there only see keys while an X window has focus, so
// global chords would seem on and do nothing in Wayland applications.
class X11Session {
public:
    // From XDG_SESSION_TYPE and WAYLAND_DISPLAY as they are set for this process.
    static bool isWaylandSession();
    static bool isWaylandSession(const QByteArray& sessionType, const QByteArray& waylandDisplay);
    // The Qt platform the program sets for itself before Qt starts: in a Wayland session with
    // an XWayland display, "xcb", so that the windows, the HUD (fixed, never focused, clicks
    // through) and the tray run on XWayland; nothing when the user chose a platform with
    // QT_QPA_PLATFORM, outside Wayland, or without XWayland.
    static std::optional<QByteArray> chosenQtPlatform();
    static std::optional<QByteArray> chosenQtPlatform(const QByteArray& sessionType,
                                                      const QByteArray& waylandDisplay,
                                                      const QByteArray& x11Display,
                                                      const QByteArray& userChoice);
};
