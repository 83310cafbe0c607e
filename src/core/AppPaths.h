#pragma once

#include <QString>

// Where Stashwick keeps its files: $XDG_DATA_HOME/Stashwick (normally
// ~/.local/share/Stashwick), a folder private to its user (0700). The folder is made (or made
// private) on every read; a failure to create it is not reported here and shows up when a file
// in it cannot be opened. Without a data location (neither XDG_DATA_HOME nor a home folder)
// every path is empty: the data is then never put anywhere another user could reach.
class AppPaths {
public:
    static QString dataDir();
    static QString storeFile();
    static QString stateFile();
    static QString automationMarker();
};
