#include "SessionReport.h"

QString SessionReport::chordsName(Chords chords) {
    switch (chords) {
    case Chords::X11Grabs:
        return QStringLiteral("x11-key-grabs");
    case Chords::DesktopShortcuts:
        return QStringLiteral("global-shortcuts-portal");
    case Chords::CompositorBindings:
        return QStringLiteral("compositor-bindings");
    case Chords::GnomeShortcuts:
        return QStringLiteral("gnome-custom-shortcuts");
    case Chords::Waiting:
        return QStringLiteral("waiting");
    case Chords::Off:
        break;
    }
    return QStringLiteral("none");
}

QJsonObject SessionReport::toJson() const {
    return QJsonObject{{QStringLiteral("session"), session},
                       {QStringLiteral("clipboard"), clipboard},
                       {QStringLiteral("keystrokes"), keystrokes},
                       {QStringLiteral("chords"), chordsName(chords)}};
}
