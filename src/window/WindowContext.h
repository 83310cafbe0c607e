#pragma once

#include "hotkeys/KeyChord.h"

#include <QList>
#include <functional>

class AppState;
class AsyncThumbnails;
class Theme;
class UserDefaults;

// What the window's views work with: the application state and its services, the theme,
// the preferences, the shared thumbnails, and the chords another program holds.
struct WindowContext {
    AppState& state;
    const Theme& theme;
    UserDefaults& defaults;
    AsyncThumbnails& thumbnails;
    std::function<QList<KeyChord>()> unavailableChords = [] { return QList<KeyChord>(); };
};
