#include "TerminalDetector.h"

#include "X11WindowActivation.h"
#include "XResource.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

QString classOf(Display* d, Window w) {
    XClassHint hint{nullptr, nullptr};
    if (!XGetClassHint(d, w, &hint)) {
        return {};
    }
    XData<char> name(hint.res_name);
    XData<char> cls(hint.res_class);
    return QString::fromLocal8Bit(name.get() ? name.get() : "") + QLatin1Char(' ') +
           QString::fromLocal8Bit(cls.get() ? cls.get() : "");
}

Window activeWindow(const X11Connection& x) {
    if (const Window w = X11WindowActivation::active(x); w != None) {
        return w;
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(x.display, &focus, &revert);
    return focus;
}

} // namespace

QString TerminalDetector::activeWindowClass(const X11Connection& x) {
    Window w = activeWindow(x);
    // The focus may sit on a child of the client window: walk up to the first with a class.
    for (int depth = 0; w != None && w != PointerRoot && w != x.root && depth < 16; ++depth) {
        const QString cls = classOf(x.display, w);
        if (!cls.trimmed().isEmpty()) {
            return cls;
        }
        Window root = None, parent = None;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(x.display, w, &root, &parent, &children, &n)) {
            break;
        }
        XData<Window> owned(children);
        w = parent;
    }
    return {};
}
