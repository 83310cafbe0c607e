#include "X11Session.h"

#include <QtGlobal>

bool X11Session::isWaylandSession() {
    return isWaylandSession(qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"));
}

bool X11Session::isWaylandSession(const QByteArray& sessionType, const QByteArray& waylandDisplay) {
    return sessionType.trimmed().toLower() == "wayland" || !waylandDisplay.trimmed().isEmpty();
}
