#pragma once

#include "hotkeys/Modifiers.h"

#include <QString>
#include <QtGlobal>
#include <optional>

// Which keystroke copies and which pastes in an application named by its app id (or X11
// class): Control+C / Control+V; in terminals Control+Shift+C / Control+Shift+V; in terminals
// that copy by selecting no copy keystroke, and Shift+Insert to paste what they selected. An
// unknown application gets Control+C / Control+V.
class KeystrokeChoice {
public:
    struct Keystroke {
        Modifiers modifiers;
        quint32 keysym = 0; // the symbol the key should type, with no modifiers
        quint32 key = 0;    // its evdev code on a US layout
        friend bool operator==(const Keystroke&, const Keystroke&) = default;
    };

    // Absent when the application has no copy keystroke.
    static std::optional<Keystroke> copy(const QString& appId);
    static Keystroke paste(const QString& appId);
    static bool copiesBySelection(const QString& appId);
    // "Control+Shift+C", for the log.
    static QString describe(const Keystroke& keystroke);
};
