#pragma once

#include "X11Connection.h"
#include "core/Scheduler.h"
#include "hotkeys/KeystrokeSynthesizing.h"

#include <QList>
#include <cstdint>

// Presses Control+C / Control+V (Control+Shift+C / V in terminals) in the focused window
// through XTEST; in xterm-style terminals, which copy by selecting, nothing for copy and
// Shift+Insert for paste. The application sees those modifiers alone:
//  - the modifiers the user still holds from the chord are released first (through XTEST,
//    which clears them on the core keyboard), and pressed again afterwards, so a second tap
//    of a digit while they stay held is still a chord and not a plain digit;
//  - modifiers that an earlier run left down on the XTEST device are released too, since the
//    server ignores a press of a key that device already holds down;
//  - a modifier pressed again for the user stays down on the XTEST device, which keeps it down
//    on the core keyboard even after the user lets go of it: so it is watched (every 25 ms,
//    only while there is one) and released on the XTEST device as soon as the user's keyboard
//    no longer holds it.
class X11KeystrokeSynthesizer final : public KeystrokeSynthesizing {
public:
    static constexpr double releaseCheckInterval = 0.025;

    X11KeystrokeSynthesizer(X11Connection x, Scheduler& scheduler)
        : m_x(x), m_scheduler(scheduler) {}
    ~X11KeystrokeSynthesizer() override;

    void sendCopy() override;
    void sendPaste() override;
    bool targetCopiesBySelection() override;

private:
    // Presses `modifiers` (keysyms), taps the key, and lets go of them again.
    void send(QList<unsigned long> modifiers, unsigned long keysym, quint16 fallbackVirtualKey);
    // Modifier keycodes down on our XTEST device, or on the other keyboards (the user's).
    QList<std::uint8_t> heldModifiers(bool onXTestDevice) const;
    void watchReleases();
    void releaseLetGoModifiers();

    X11Connection m_x;
    Scheduler& m_scheduler;
    QList<std::uint8_t> m_pressedForUser;
    Scheduler::TaskId m_watch = 0;
};
