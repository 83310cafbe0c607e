#pragma once

#include "KeyChord.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

// What differs between desktops in how chords are named and which ones the desktop keeps
// for itself: the display words of the four modifiers and the table of reserved shortcuts.
// Both are data; the program picks its desktop's once, through current().
class KeyboardConventions {
public:
    struct Reserved {
        QList<quint16> keyCodes;
        qint64 modifiers;
        QString text;
    };

    // Words for Control, Option, Shift, Command, in that order.
    std::array<QString, 4> modifierWords;
    QList<Reserved> reserved;

    static const KeyboardConventions& linuxDesktop();
    static const KeyboardConventions& macOS();
    static const KeyboardConventions& current();

    // The first reserved shortcut with exactly this modifier set and one of its keys.
    std::optional<QString> reservedShortcut(const KeyStroke& stroke) const;
};
