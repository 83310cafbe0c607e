#pragma once

#include "hotkeys/Modifiers.h"

#include <QList>
#include <QtGlobal>
#include <memory>
#include <optional>

class QString;
class WaylandConnection;
struct zwp_virtual_keyboard_v1;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

// One virtual keyboard on the compositor's first seat (zwp_virtual_keyboard_v1), kept for this
// object's life: a keyboard that comes and goes makes the seat's keyboard change under the
// focused application, which then drops the first keys it gets.
//
// The keymap is compiled once from the environment's layout (XKB_DEFAULT_LAYOUT and friends,
// else "us") and uploaded at creation. Keys are evdev codes (<linux/input-event-codes.h>).
// The compositor does not derive the modifier state from this keyboard's keys, so the keyboard
// tracks it itself and sends it whenever it changes: pressing KEY_LEFTCTRL holds Control until
// it is released, as on a real keyboard.
//
// Requests leave before the program's event loop next waits; flush() sends them at once.
class WaylandVirtualKeyboard final {
public:
    // Absent (with the reason in `error`) when the compositor offers no virtual keyboards or
    // no seat, or no keymap can be compiled.
    static std::unique_ptr<WaylandVirtualKeyboard> create(WaylandConnection& connection,
                                                          QString* error = nullptr);
    ~WaylandVirtualKeyboard();
    WaylandVirtualKeyboard(const WaylandVirtualKeyboard&) = delete;
    WaylandVirtualKeyboard& operator=(const WaylandVirtualKeyboard&) = delete;

    // The key (evdev code) that types `keysym` in the uploaded keymap, in its first layout and
    // at the lowest shift level that has it; absent when no key types it.
    std::optional<quint32> keyFor(quint32 keysym) const;
    // The keymap's modifier mask for `modifiers` (Control, Shift, Alt as Mod1, Super as Mod4).
    quint32 modifierMask(Modifiers modifiers) const;

    // One key goes down or up; a modifier key changes the modifier state the applications see.
    // A press of a key already down here, or a release of one that is not, sends nothing.
    void press(quint32 key);
    void release(quint32 key);
    // Taps `key` seen with exactly `modifiers`, whatever this keyboard holds: sends those
    // modifiers, the key's press and release, then the state of the keys held here again
    // (none, usually), and flushes all of it in one go.
    void tap(Modifiers modifiers, quint32 key);
    // Presses the modifier keys of `modifiers` (left Control, Alt, Shift, Super), taps `key`
    // and releases them again, as a person typing Control+Alt+3 does; flushed at once.
    void typeChord(Modifiers modifiers, quint32 key);
    void flush();

private:
    struct Xkb;
    WaylandVirtualKeyboard(WaylandConnection& connection, zwp_virtual_keyboard_v1* keyboard,
                           std::unique_ptr<Xkb> xkb);
    void sendKey(quint32 key, bool down);
    void sendModifiers(quint32 depressed, quint32 latched, quint32 locked, quint32 group);
    // Sends the tracked state when it differs from what the compositor last got.
    void syncModifiers();
    quint32 now() const;

    WaylandConnection& m_connection;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    std::unique_ptr<Xkb> m_xkb;
    quint32 m_sent[4] = {0, 0, 0, 0};
    QList<quint32> m_held;
};
