#pragma once

#include "ForegroundKeystrokes.h"

#include <QList>
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
// user still holds from the chord would join the keystroke: every modifier key is released
// first, which KWin applies to the shared state whoever pressed it (a release of a key that is
// not down changes nothing). They are not pressed again afterwards: a modifier pressed through
// fake input stays down until fake input releases it, whatever the user's own keyboard does,
// and KWin does not tell when the user lets go. So a second digit tapped while the modifiers
// are still held types the digit; the user presses the chord anew.
class FakeInputSynthesizer final : public ForegroundKeystrokes {
public:
    struct KeyEvent {
        quint32 key = 0; // evdev code
        bool down = false;
        friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
    };

    // Takes `fakeInput` (authenticated already); `foreground` may be null, and every window
    // then gets Control+C / Control+V.
    FakeInputSynthesizer(WaylandConnection& connection, org_kde_kwin_fake_input* fakeInput,
                         std::unique_ptr<ForegroundApp> foreground);
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

protected:
    void press(const KeystrokeChoice::Keystroke& keystroke) override;

private:
    WaylandConnection& m_connection;
    org_kde_kwin_fake_input* m_fakeInput = nullptr;
};
