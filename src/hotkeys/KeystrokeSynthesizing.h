#pragma once

#include <functional>

// Presses keys in the application in front: the copy and the paste keystroke, carrying the
// copy/paste modifier alone whatever the user still holds.
class KeystrokeSynthesizing {
public:
    virtual ~KeystrokeSynthesizing() = default;
    virtual void sendCopy() = 0;
    virtual void sendPaste() = 0;
    // Whether the application in front has no copy keystroke and copies by selecting (its
    // selection is the PRIMARY selection), as xterm and rxvt do. Then copy sends nothing and
    // reads that selection, and sendPaste() sends the keystroke that pastes it.
    virtual bool targetCopiesBySelection() { return false; }
    // Whether keys can be pressed now. Where the desktop must first allow it (a permission
    // asked for, refused, or a service that is missing), the chords work without keystrokes:
    // copy takes what is on the clipboard and paste only puts the slot there.
    virtual bool canPress() const { return true; }
    // Seconds to wait after a chord before pressing the keys, for a desktop that runs the
    // chord's command while the user still holds its modifiers and would add them to ours.
    virtual double settleDelay() const { return 0; }
    // Runs `ready` once keys pressed now would not carry the modifiers the user still holds:
    // at once where our keystrokes can release them (XTEST, a virtual keyboard); where they
    // cannot, once the desktop reports them released, or after a bound. `ready` may run
    // before this returns.
    virtual void whenModifiersFree(std::function<void()> ready) { ready(); }
};
