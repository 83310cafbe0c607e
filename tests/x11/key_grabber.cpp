// Another program holding a chord: grabs KEYSYM with Control+Alt on the root window and
// keeps it until killed. Prints "ready" once the grab is in place.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <cstdio>

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(nullptr);
    if (!d || argc < 2) {
        return 1;
    }
    const KeyCode kc = XKeysymToKeycode(d, XStringToKeysym(argv[1]));
    XGrabKey(d, kc, ControlMask | Mod1Mask, DefaultRootWindow(d), False, GrabModeAsync,
             GrabModeAsync);
    XSync(d, False);
    std::printf("ready\n");
    std::fflush(stdout);
    XEvent ev;
    for (;;) {
        XNextEvent(d, &ev);
    }
}
