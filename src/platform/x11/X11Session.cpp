#include "X11Session.h"

#include <QtGlobal>

bool X11Session::isWaylandSession() {
    return isWaylandSession(qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"));
}

bool X11Session::isWaylandSession(const QByteArray& sessionType, const QByteArray& waylandDisplay) {
    return sessionType.trimmed().toLower() == "wayland" || !waylandDisplay.trimmed().isEmpty();
}

std::optional<QByteArray> X11Session::chosenQtPlatform() {
    return chosenQtPlatform(qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"),
                            qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM"));
}

std::optional<QByteArray> X11Session::chosenQtPlatform(const QByteArray& sessionType,
                                                       const QByteArray& waylandDisplay,
                                                       const QByteArray& x11Display,
                                                       const QByteArray& userChoice) {
    if (!userChoice.trimmed().isEmpty() || x11Display.trimmed().isEmpty() ||
        !isWaylandSession(sessionType, waylandDisplay)) {
        return std::nullopt;
    }
    return QByteArray("xcb");
}
