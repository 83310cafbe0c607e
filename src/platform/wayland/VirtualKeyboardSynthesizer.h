#pragma once

#include "ForegroundKeystrokes.h"
#include "WaylandVirtualKeyboard.h"

#include <memory>

class QString;
class WaylandConnection;

// Presses the copy and the paste keystroke in the focused window on wlroots compositors,
// through the program's one virtual keyboard (KeystrokeChoice says which keystroke, from the
// focused window's app id). Each keystroke is the modifiers it needs, the key's press and
// release, and no modifiers again, sent together: the compositor gives the focused application
// the modifier state of the keyboard that spoke last, so the keys the user still holds on
// their own keyboard do not reach it with ours.
class VirtualKeyboardSynthesizer final : public ForegroundKeystrokes {
public:
    // `foreground` may be null: every window then gets Control+C / Control+V.
    VirtualKeyboardSynthesizer(std::unique_ptr<WaylandVirtualKeyboard> keyboard,
                               std::unique_ptr<ForegroundApp> foreground);
    // A virtual keyboard on `connection`, with the focused window from its foreign-toplevel
    // list where offered; absent (with the reason in `error`) without virtual keyboards.
    static std::unique_ptr<VirtualKeyboardSynthesizer> create(WaylandConnection& connection,
                                                              QString* error = nullptr);

protected:
    void press(const KeystrokeChoice::Keystroke& keystroke) override;

private:
    std::unique_ptr<WaylandVirtualKeyboard> m_keyboard;
};
