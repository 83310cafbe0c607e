#pragma once

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
};
