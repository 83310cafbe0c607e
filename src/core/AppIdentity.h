#pragma once

#include <QString>

// The one application id: the desktop file's name (without ".desktop"), the AppStream id, the
// Wayland app id of our windows and the id the desktop portals know the program by.
namespace AppIdentity {

inline QString id() {
    return QStringLiteral("io.stashwick.Stashwick");
}

inline QString desktopFile() {
    return id() + QStringLiteral(".desktop");
}

} // namespace AppIdentity
