#pragma once

#include "hotkeys/KeyChord.h"
#include "hotkeys/SessionReport.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class AppState;
class AsyncThumbnails;
class DesktopServices;
class Theme;
class UserDefaults;

// What the window's views work with: the application state and its services, the theme,
// the preferences, the shared thumbnails, the desktop's services, and the chords another
// program holds.
struct WindowContext {
    AppState& state;
    const Theme& theme;
    UserDefaults& defaults;
    AsyncThumbnails& thumbnails;
    DesktopServices& desktop;
    std::function<QList<KeyChord>()> unavailableChords = [] { return QList<KeyChord>(); };
    // Whether the session lets the chords and the keystrokes work.
    std::function<bool()> shortcutsAvailable = [] { return false; };
    // Where the chords, the keystrokes and the clipboard come from in this session.
    std::function<SessionReport()> session = [] { return SessionReport(); };
    // Checks again and, when the session allows it now, starts the chords.
    std::function<void()> recheckShortcuts = [] {};
    // The stored key code of a key press's native key code (X11: the key-code map).
    std::function<std::optional<quint16>(quint32)> keyCodeOf = [](quint32) {
        return std::optional<quint16>();
    };
};
