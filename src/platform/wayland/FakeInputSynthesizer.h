#pragma once

#include "ForegroundKeystrokes.h"
#include "KdeKeyState.h"

#include <QList>
#include <functional>
#include <memory>

class QString;
class WaylandConnection;
struct org_kde_kwin_fake_input;

// Presses the copy and the paste keystroke in the focused window on KDE Plasma, through KWin's
// fake input (org_kde_kwin_fake_input, version 4 for keyboard keys; KWin offers it to programs
// whose desktop entry lists it in X-KDE-Wayland-Interfaces). KeystrokeChoice says which
// keystroke, from the focused window's app id in KWin's window list.
//
// Fake keys share the seat's modifier state with the user's keyboard, so the modifiers the
// user still holds from the chord would join the keystroke. KWin 5 applies a fake release of
// every modifier key to the shared state whoever pressed it, so every modifier key is released
// first. KWin 6 drops a fake release of a key this client did not press, so there the keystroke
// waits until KWin's key states (KdeKeyState) report the modifiers up, for at most
// modifierWait seconds; without them (KWin 5) it goes at once. The modifiers are not pressed
// again afterwards: a modifier pressed through fake input stays down until fake input releases
// it, whatever the user's own keyboard does. So a second digit tapped while the modifiers are
// still held types the digit; the user presses the chord anew.
class FakeInputSynthesizer final : public ForegroundKeystrokes {
public:
    struct KeyEvent {
        quint32 key = 0; // evdev code
        bool down = false;
        friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
    };

    // The longest a keystroke waits for the user to let go of the modifiers.
    static constexpr int modifierWaitMs = 1500;

    // Takes `fakeInput` (authenticated already); `foreground` may be null, and every window
    // then gets Control+C / Control+V; `keyState` may be null (KWin 5), and keys go at once.
    FakeInputSynthesizer(WaylandConnection& connection, org_kde_kwin_fake_input* fakeInput,
                         std::unique_ptr<ForegroundApp> foreground,
                         std::unique_ptr<KdeKeyState> keyState = nullptr);
    // KWin's fake input on `connection`, with the focused window from its window list where
    // offered; absent (with the reason in `error`) when fake input for keys is not offered.
    static std::unique_ptr<FakeInputSynthesizer> create(WaylandConnection& connection,
                                                        QString* error = nullptr);
    ~FakeInputSynthesizer() override;
    FakeInputSynthesizer(const FakeInputSynthesizer&) = delete;
    FakeInputSynthesizer& operator=(const FakeInputSynthesizer&) = delete;

    // The key events that type `keystroke` alone: every modifier key up, the keystroke's
    // modifiers down, the key down and up, its modifiers up again.
    static QList<KeyEvent> keyEvents(const KeystrokeChoice::Keystroke& keystroke);

    void whenModifiersFree(std::function<void()> ready) override;

protected:
    void press(const KeystrokeChoice::Keystroke& keystroke) override;

private:
    void runWaiting();

    WaylandConnection& m_connection;
    org_kde_kwin_fake_input* m_fakeInput = nullptr;
    std::unique_ptr<KdeKeyState> m_keyState;
    QList<std::function<void()>> m_waiting;
    quint64 m_waitGeneration = 0;
};
