#pragma once

#include "ForegroundApp.h"
#include "KeystrokeChoice.h"
#include "hotkeys/KeystrokeSynthesizing.h"

#include <memory>

// The copy and paste keystrokes for the focused window, chosen from its app id
// (KeystrokeChoice); each way of pressing keys in a Wayland session supplies press().
class ForegroundKeystrokes : public KeystrokeSynthesizing {
public:
    // `foreground` may be null: every window then gets Control+C / Control+V.
    explicit ForegroundKeystrokes(std::unique_ptr<ForegroundApp> foreground)
        : m_foreground(std::move(foreground)) {}

    void sendCopy() override;
    void sendPaste() override;
    bool targetCopiesBySelection() override;

protected:
    virtual void press(const KeystrokeChoice::Keystroke& keystroke) = 0;

private:
    QString focusedApp() const;

    std::unique_ptr<ForegroundApp> m_foreground;
};
