#include "X11WindowActivation.h"

#include <X11/Xlib.h>

void X11WindowActivation::activate(const X11Connection& x, unsigned long window,
                                   unsigned long userTime) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(x.display, "_NET_ACTIVE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2; // source: a request made for the user (pager, taskbar)
    e.xclient.data.l[1] = static_cast<long>(userTime == 0 ? CurrentTime : userTime);
    e.xclient.data.l[2] = 0;
    XSendEvent(x.display, x.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(x.display);
}
