// A minimal XEmbed system tray for the X11 tests: a 200 x 32 panel in the top left corner
// that takes the _NET_SYSTEM_TRAY_S<screen> selection, announces itself and docks every
// icon that asks. Prints "ready" once it owns the tray and "docked <window>" for each icon.
// An optional argument sets the panel's colour (#rrggbb).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cstdio>
#include <string>

namespace {
constexpr long requestDock = 0;
constexpr long xembedEmbeddedNotify = 0;
} // namespace

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    XColor panel{};
    Colormap colormap = DefaultColormap(d, screen);
    XParseColor(d, colormap, argc > 1 ? argv[1] : "#2b2b2b", &panel);
    XAllocColor(d, colormap, &panel);

    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.background_pixel = panel.pixel;
    attrs.event_mask = SubstructureNotifyMask | StructureNotifyMask;
    const Window tray =
        XCreateWindow(d, root, 0, 0, 200, 32, 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWOverrideRedirect | CWBackPixel | CWEventMask, &attrs);
    XMapRaised(d, tray);

    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    const Atom selection = XInternAtom(d, name.c_str(), False);
    const Atom opcode = XInternAtom(d, "_NET_SYSTEM_TRAY_OPCODE", False);
    const Atom manager = XInternAtom(d, "MANAGER", False);
    const Atom xembed = XInternAtom(d, "_XEMBED", False);
    const Atom orientation = XInternAtom(d, "_NET_SYSTEM_TRAY_ORIENTATION", False);
    const long horizontal = 0;
    XChangeProperty(d, tray, orientation, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&horizontal), 1);

    XSetSelectionOwner(d, selection, tray, CurrentTime);
    if (XGetSelectionOwner(d, selection) != tray) {
        std::fprintf(stderr, "another tray runs\n");
        return 1;
    }
    XClientMessageEvent announce{};
    announce.type = ClientMessage;
    announce.window = root;
    announce.message_type = manager;
    announce.format = 32;
    announce.data.l[0] = CurrentTime;
    announce.data.l[1] = static_cast<long>(selection);
    announce.data.l[2] = static_cast<long>(tray);
    XSendEvent(d, root, False, StructureNotifyMask, reinterpret_cast<XEvent*>(&announce));
    XSync(d, False);
    std::printf("ready\n");
    std::fflush(stdout);

    int docked = 0;
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type != ClientMessage || e.xclient.message_type != opcode ||
            e.xclient.data.l[1] != requestDock) {
            continue;
        }
        const auto icon = static_cast<Window>(e.xclient.data.l[2]);
        XReparentWindow(d, icon, tray, 4 + 28 * docked++, 4);
        XResizeWindow(d, icon, 24, 24);
        XMapRaised(d, icon);
        XClientMessageEvent notify{};
        notify.type = ClientMessage;
        notify.window = icon;
        notify.message_type = xembed;
        notify.format = 32;
        notify.data.l[0] = CurrentTime;
        notify.data.l[1] = xembedEmbeddedNotify;
        notify.data.l[3] = static_cast<long>(tray);
        XSendEvent(d, icon, False, NoEventMask, reinterpret_cast<XEvent*>(&notify));
        XSync(d, False);
        std::printf("docked 0x%lx\n", icon);
        std::fflush(stdout);
    }
}
