#pragma once

#include <QByteArray>
#include <optional>

typedef struct _XDisplay Display;
typedef struct xcb_connection_t xcb_connection_t;

// Qt's own connection to the X server, when the program really runs on X11. Under other
// platforms (offscreen, Wayland) Qt may still offer its X11 interface with a null display
// and connection; then there is none.
struct X11Connection {
    Display* display = nullptr;
    xcb_connection_t* connection = nullptr;
    unsigned long root = 0;

    static std::optional<X11Connection> current();
    // The name of the display it is connected to, for opening another connection there.
    static QByteArray displayName(const X11Connection& x);
    // Global chords need X11 and the XTEST extension (to press keys in other programs).
    static bool hasXTest(const X11Connection& x);
    // A compositing manager runs (it owns _NET_WM_CM_S<screen>), so windows can be translucent.
    static bool compositorRunning(const X11Connection& x);
};
