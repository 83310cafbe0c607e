#include "X11Connection.h"

#include <QGuiApplication>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

std::optional<X11Connection> X11Connection::current() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return std::nullopt;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display() || !x11->connection()) {
        return std::nullopt;
    }
    X11Connection c;
    c.display = x11->display();
    c.connection = x11->connection();
    c.root = DefaultRootWindow(c.display);
    return c;
}

QByteArray X11Connection::displayName(const X11Connection& x) {
    return QByteArray(DisplayString(x.display));
}

bool X11Connection::hasXTest(const X11Connection& x) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    return XTestQueryExtension(x.display, &eventBase, &errorBase, &major, &minor) == True;
}

bool X11Connection::compositorRunning(const X11Connection& x) {
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(x.display));
    const Atom atom = XInternAtom(x.display, name.constData(), False);
    return atom != None && XGetSelectionOwner(x.display, atom) != None;
}
