#pragma once

#include "KeystrokeSynthesizing.h"

#include <QStringList>
#include <functional>

// Records the keystrokes it was asked for ("copy", "paste") and runs an optional hook, so a
// test can make the clipboard change as an application would.
class FakeKeystrokeSynthesizer final : public KeystrokeSynthesizing {
public:
    void sendCopy() override {
        sent << QStringLiteral("copy");
        if (onCopy) {
            onCopy();
        }
    }
    void sendPaste() override {
        sent << QStringLiteral("paste");
        if (onPaste) {
            onPaste();
        }
    }

    bool targetCopiesBySelection() override { return selectionTarget; }

    QStringList sent;
    bool selectionTarget = false;
    std::function<void()> onCopy;
    std::function<void()> onPaste;
};
