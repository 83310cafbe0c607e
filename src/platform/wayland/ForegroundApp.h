#pragma once

#include <QString>

// The application of the window that has the keyboard focus, as the compositor names it (its
// Wayland app id, or the X11 class of an XWayland window).
class ForegroundApp {
public:
    virtual ~ForegroundApp() = default;
    // Empty when no window is known to have the focus.
    virtual QString appId() const = 0;
};
