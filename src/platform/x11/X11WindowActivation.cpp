#include "X11WindowActivation.h"

#include "XResource.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

unsigned long X11WindowActivation::active(const X11Connection& x) {
    const Atom atom = XInternAtom(x.display, "_NET_ACTIVE_WINDOW", True);
    if (atom == None) {
        return 0;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(x.display, x.root, atom, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &raw) != Success) {
        return 0;
    }
    XData<unsigned char> data(raw);
    if (type != XA_WINDOW || format != 32 || count != 1 || !data.get()) {
        return 0;
    }
    // Format 32 arrives as longs.
    return *reinterpret_cast<unsigned long*>(data.get());
}

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
