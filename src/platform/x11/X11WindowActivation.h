#pragma once

#include "X11Connection.h"

// Asks the window manager to make a window the active one (_NET_ACTIVE_WINDOW) as a taskbar
// does on the user's behalf (source indication 2), so that window managers that prevent focus
// stealing still bring a window the user summoned by chord or command to the front.
class X11WindowActivation {
public:
    // The window the window manager reports as active (_NET_ACTIVE_WINDOW); 0 when none
    // is, or no window manager says.
    static unsigned long active(const X11Connection& x);
    // `userTime` 0: the current time.
    static void activate(const X11Connection& x, unsigned long window, unsigned long userTime);
};
