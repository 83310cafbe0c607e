#include "X11KeystrokeSynthesizer.h"

#include "KeyCodeMap.h"
#include "TerminalDetector.h"
#include "X11Modifiers.h"
#include "XResource.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// The name of the XTEST slave that XTestFakeKeyEvent uses: the one of the core keyboard.
QByteArray coreXTestKeyboardName(Display* d) {
    int count = 0;
    XIDeviceInfo* info = XIQueryDevice(d, XIAllMasterDevices, &count);
    QByteArray name = "Virtual core XTEST keyboard";
    for (int i = 0; info && i < count; ++i) {
        if (info[i].use == XIMasterKeyboard) {
            QByteArray master(info[i].name);
            if (master.endsWith(" keyboard")) {
                master.chop(9);
            }
            name = master + " XTEST keyboard";
            break;
        }
    }
    if (info) {
        XIFreeDeviceInfo(info);
    }
    return name;
}

struct DeviceCloser {
    Display* display;
    void operator()(XDevice* d) const { XCloseDevice(display, d); }
};
struct StateFreer {
    void operator()(XDeviceState* s) const { XFreeDeviceState(s); }
};

// Keycodes down on one slave keyboard.
QList<std::uint8_t> keysDown(Display* d, XID id) {
    QList<std::uint8_t> down;
    std::unique_ptr<XDevice, DeviceCloser> dev(XOpenDevice(d, id), DeviceCloser{d});
    if (!dev) {
        return down;
    }
    std::unique_ptr<XDeviceState, StateFreer> state(XQueryDeviceState(d, dev.get()));
    if (!state) {
        return down;
    }
    auto* cls = state->data;
    for (int i = 0; i < state->num_classes && cls; ++i) {
        if (cls->c_class == KeyClass) {
            const auto* keys = reinterpret_cast<XKeyState*>(cls);
            for (int k = 0; k < keys->num_keys && k < 256; ++k) {
                if (keys->keys[k / 8] & (1 << (k % 8))) {
                    down.append(static_cast<std::uint8_t>(k));
                }
            }
        }
        cls = reinterpret_cast<XInputClass*>(reinterpret_cast<char*>(cls) + cls->length);
    }
    return down;
}

} // namespace

QList<std::uint8_t> X11KeystrokeSynthesizer::heldModifiers(bool onXTestDevice) const {
    const QList<std::uint8_t> modifiers = X11Modifiers::modifierKeycodes(m_x);
    const QByteArray xtest = coreXTestKeyboardName(m_x.display);
    QList<std::uint8_t> held;
    int count = 0;
    XDeviceInfo* devices = XListInputDevices(m_x.display, &count);
    for (int i = 0; devices && i < count; ++i) {
        if (devices[i].use != IsXExtensionKeyboard) {
            continue; // slave keyboards only
        }
        const bool isXTest = xtest == devices[i].name;
        if (isXTest != onXTestDevice) {
            continue;
        }
        for (std::uint8_t kc : keysDown(m_x.display, devices[i].id)) {
            if (modifiers.contains(kc) && !held.contains(kc)) {
                held.append(kc);
            }
        }
    }
    if (devices) {
        XFreeDeviceList(devices);
    }
    return held;
}

X11KeystrokeSynthesizer::~X11KeystrokeSynthesizer() {
    if (m_watch) {
        m_scheduler.cancel(m_watch);
    }
    for (std::uint8_t kc : m_pressedForUser) {
        XTestFakeKeyEvent(m_x.display, kc, False, CurrentTime);
    }
    XFlush(m_x.display);
}

void X11KeystrokeSynthesizer::watchReleases() {
    if (m_watch || m_pressedForUser.isEmpty()) {
        return;
    }
    m_watch = m_scheduler.schedule(releaseCheckInterval, [this] {
        m_watch = 0;
        releaseLetGoModifiers();
        watchReleases();
    });
}

void X11KeystrokeSynthesizer::releaseLetGoModifiers() {
    const QList<std::uint8_t> held = heldModifiers(false);
    bool released = false;
    for (auto it = m_pressedForUser.begin(); it != m_pressedForUser.end();) {
        if (!held.contains(*it)) {
            XTestFakeKeyEvent(m_x.display, *it, False, CurrentTime);
            it = m_pressedForUser.erase(it);
            released = true;
        } else {
            ++it;
        }
    }
    if (released) {
        XFlush(m_x.display);
    }
}

bool X11KeystrokeSynthesizer::targetCopiesBySelection() {
    return TerminalDetector::copiesBySelection(TerminalDetector::activeWindowClass(m_x));
}

void X11KeystrokeSynthesizer::sendCopy() {
    const QString target = TerminalDetector::activeWindowClass(m_x);
    if (TerminalDetector::copiesBySelection(target)) {
        return; // its selection is already on PRIMARY; any keystroke would reach the program
    }
    if (TerminalDetector::isTerminalClass(target)) {
        send({XK_Control_L, XK_Shift_L}, XK_c, 8);
    } else {
        send({XK_Control_L}, XK_c, 8);
    }
}

void X11KeystrokeSynthesizer::sendPaste() {
    const QString target = TerminalDetector::activeWindowClass(m_x);
    if (TerminalDetector::copiesBySelection(target)) {
        send({XK_Shift_L}, XK_Insert, 114);
    } else if (TerminalDetector::isTerminalClass(target)) {
        send({XK_Control_L, XK_Shift_L}, XK_v, 9);
    } else {
        send({XK_Control_L}, XK_v, 9);
    }
}

void X11KeystrokeSynthesizer::send(QList<unsigned long> modifiers, unsigned long keysym,
                                   quint16 fallbackVirtualKey) {
    Display* d = m_x.display;
    KeyCode key = XKeysymToKeycode(d, keysym);
    if (key == 0) {
        key = KeyCodeMap::toX11(fallbackVirtualKey).value_or(0);
    }
    QList<KeyCode> modifierKeys;
    for (unsigned long sym : modifiers) {
        const KeyCode kc = XKeysymToKeycode(d, sym);
        if (kc == 0) {
            return;
        }
        modifierKeys.append(kc);
    }
    if (key == 0) {
        return;
    }
    const QList<std::uint8_t> held = heldModifiers(false);
    QList<std::uint8_t> release = heldModifiers(true);
    for (std::uint8_t kc : held) {
        if (!release.contains(kc)) {
            release.append(kc);
        }
    }

    for (std::uint8_t kc : release) {
        XTestFakeKeyEvent(d, kc, False, CurrentTime);
    }
    for (KeyCode kc : modifierKeys) {
        XTestFakeKeyEvent(d, kc, True, CurrentTime);
    }
    XTestFakeKeyEvent(d, key, True, CurrentTime);
    XTestFakeKeyEvent(d, key, False, CurrentTime);
    for (auto it = modifierKeys.rbegin(); it != modifierKeys.rend(); ++it) {
        XTestFakeKeyEvent(d, *it, False, CurrentTime);
    }
    // Put the user's held modifiers back, so the core keyboard matches their hands again,
    // and let them go on the XTEST device once the user does.
    m_pressedForUser.clear();
    for (std::uint8_t kc : held) {
        XTestFakeKeyEvent(d, kc, True, CurrentTime);
        m_pressedForUser.append(kc);
    }
    XFlush(d);
    watchReleases();
}
