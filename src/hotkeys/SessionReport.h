#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <utility>

// How this session gives the three platform jobs: reading and writing the clipboard, pressing
// keys in the application in front, and the global chords. Chosen at start from what the
// session offers; the chords may change later (a desktop service that answers late, a
// "Re-check").
struct SessionReport {
    enum class Chords {
        X11Grabs,           // key grabs on the X11 display
        DesktopShortcuts,   // the desktop's global-shortcuts service
        CompositorBindings, // the compositor's own key bindings run the command
        GnomeShortcuts,     // GNOME's custom keyboard shortcuts run the command
        Waiting,            // the desktop's shortcuts service has not answered yet
        Off,
    };

    QString session = QStringLiteral("x11"); // "x11" or "wayland"
    // "x11", "ext-data-control" or "wlr-data-control"
    QString clipboard = QStringLiteral("x11");
    // "xtest", "virtual-keyboard", "kde-fake-input" or "none"
    QString keystrokes = QStringLiteral("none");
    Chords chords = Chords::Off;
    // Why the chords or the keystrokes are off, in a sentence for the user.
    QString offReason;
    // The compositor whose binding syntax the bindings use: "sway" or "hyprland".
    QString bindingsFlavour = QStringLiteral("sway");
    // The triggers the desktop assigned: (description, trigger), in the shortcuts' order.
    QList<std::pair<QString, QString>> assignedTriggers;

    // Whether the keystroke service lets us press keys now (a desktop may first ask the user).
    bool keysAllowed = true;

    bool keystrokesWork() const { return keystrokes != u"none" && keysAllowed; }
    bool chordsWork() const {
        return chords == Chords::X11Grabs || chords == Chords::DesktopShortcuts ||
               chords == Chords::CompositorBindings;
    }
    static QString chordsName(Chords chords);
    // {"session", "clipboard", "keystrokes", "chords"}, as state.json shows it.
    QJsonObject toJson() const;
};
