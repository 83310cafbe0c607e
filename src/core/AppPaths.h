#pragma once

#include <QString>

// Where Stashwick keeps its files: $XDG_DATA_HOME/Stashwick (normally
// ~/.local/share/Stashwick). The folder is created on every read; a failure to create it
// is ignored here and shows up when a file in it cannot be opened.
class AppPaths {
public:
    static QString dataDir();
    static QString storeFile();
    static QString stateFile();
    static QString automationMarker();
};
