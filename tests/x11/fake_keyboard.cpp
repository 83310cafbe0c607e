// A second keyboard for the X11 tests, standing in for the user's physical keyboard: key
// events are injected through Xvfb's own keyboard device (a slave of the core keyboard
// beside the XTEST device that Stashwick itself uses). Reads commands from standard input,
// one per line:
//   down KEYSYM | up KEYSYM | tap KEYSYM     e.g. "down Control_L", "tap 3"
//   sync                                    answers "ok" once the server has everything
//   lockgroup N                             locks keyboard layout group N (0-3)
//   xtestheld                               answers "held N": keys down on the XTEST keyboard
// and answers each command with "ok" (or "error ...").
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int findDevice(Display* d, const char* name, int use) {
    int count = 0;
    XIDeviceInfo* info = XIQueryDevice(d, XIAllDevices, &count);
    int id = -1;
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(info[i].name, name) == 0 && (use == 0 || info[i].use == use)) {
            id = info[i].deviceid;
        }
    }
    XIFreeDeviceInfo(info);
    return id;
}

// How many keys the core XTEST keyboard (the one programs press keys with) holds down.
int xtestKeysDown(Display* d) {
    const int id = findDevice(d, "Virtual core XTEST keyboard", 0);
    XDevice* dev = id < 0 ? nullptr : XOpenDevice(d, static_cast<XID>(id));
    if (!dev) {
        return -1;
    }
    int down = 0;
    if (XDeviceState* state = XQueryDeviceState(d, dev)) {
        XInputClass* cls = state->data;
        for (int i = 0; i < state->num_classes; ++i) {
            if (cls->c_class == KeyClass) {
                const auto* keys = reinterpret_cast<XKeyState*>(cls);
                for (int k = 0; k < keys->num_keys; ++k) {
                    down += (keys->keys[k / 8] >> (k % 8)) & 1;
                }
            }
            cls = reinterpret_cast<XInputClass*>(reinterpret_cast<char*>(cls) + cls->length);
        }
        XFreeDeviceState(state);
    }
    XCloseDevice(d, dev);
    return down;
}

} // namespace

int main() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    // Xvfb's own keyboard, a slave of the core keyboard beside the XTEST device.
    const int slave = findDevice(d, "Xvfb keyboard", 0);
    if (slave < 0) {
        std::fprintf(stderr, "no Xvfb keyboard device\n");
        return 1;
    }
    XDevice* dev = XOpenDevice(d, static_cast<XID>(slave));
    if (!dev) {
        std::fprintf(stderr, "cannot open the test keyboard\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    std::string cmd, arg;
    while (std::cin >> cmd) {
        if (cmd == "xtestheld") {
            std::printf("held %d\nok\n", xtestKeysDown(d));
            std::fflush(stdout);
            continue;
        }
        if (cmd == "sync") {
            XSync(d, False);
            std::printf("ok\n");
            std::fflush(stdout);
            continue;
        }
        std::cin >> arg;
        if (cmd == "lockgroup") {
            XkbLockGroup(d, XkbUseCoreKbd, static_cast<unsigned>(std::stoi(arg)));
            XSync(d, False);
            std::printf("ok\n");
            std::fflush(stdout);
            continue;
        }
        const KeySym sym = XStringToKeysym(arg.c_str());
        const KeyCode kc = sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
        if (kc == 0) {
            std::printf("error unknown key %s\n", arg.c_str());
            std::fflush(stdout);
            continue;
        }
        if (cmd == "down" || cmd == "tap") {
            XTestFakeDeviceKeyEvent(d, dev, kc, True, nullptr, 0, CurrentTime);
        }
        if (cmd == "up" || cmd == "tap") {
            XTestFakeDeviceKeyEvent(d, dev, kc, False, nullptr, 0, CurrentTime);
        }
        XSync(d, False);
        std::printf("ok\n");
        std::fflush(stdout);
    }
    XCloseDevice(d, dev);
    XCloseDisplay(d);
    return 0;
}
