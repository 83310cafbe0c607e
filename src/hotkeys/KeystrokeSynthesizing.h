#pragma once

// Presses keys in the application in front: the copy and the paste keystroke, carrying the
// copy/paste modifier alone whatever the user still holds.
class KeystrokeSynthesizing {
public:
    virtual ~KeystrokeSynthesizing() = default;
    virtual void sendCopy() = 0;
    virtual void sendPaste() = 0;
};
