#pragma once

#include "X11Connection.h"
#include "hotkeys/KeystrokeSynthesizing.h"

#include <QList>
#include <cstdint>

// Presses Control+C / Control+V (Control+Shift+C / V in terminals) in the focused window
// through XTEST, so that the application sees that modifier alone:
//  - the modifiers the user still holds from the chord are released first (through XTEST,
//    which clears them on the core keyboard), and pressed again afterwards, so a second tap
//    of a digit while they stay held is still a chord and not a plain digit;
//  - modifiers that an earlier run left down on the XTEST device are released too, since the
//    server ignores a press of a key that device already holds down.
class X11KeystrokeSynthesizer final : public KeystrokeSynthesizing {
public:
    explicit X11KeystrokeSynthesizer(X11Connection x) : m_x(x) {}

    void sendCopy() override;
    void sendPaste() override;

    // Modifier keycodes down on the keyboards other than our XTEST device (the user's).
    QList<std::uint8_t> physicallyHeldModifiers() const;

private:
    void send(unsigned long letterKeysym, quint16 fallbackVirtualKey);
    QList<std::uint8_t> heldModifiers(bool onXTestDevice) const;

    X11Connection m_x;
};
