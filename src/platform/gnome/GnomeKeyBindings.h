#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// GNOME's own keyboard shortcuts (the window manager's, the shell's, mutter's and the media
// keys') as `gsettings list-recursively` prints them, and which of them lie on a given chord.
// GNOME takes such a key for itself before any shortcut of a program sees it.
class GnomeKeyBindings {
public:
    struct Binding {
        QString schema;
        QString key;
        QStringList accelerators;
        // An array of accelerators (most keys); else one accelerator as a string.
        bool array = true;
    };

    // Lines of a listing past this many are not read: no GNOME has nearly as many keys.
    static constexpr int maxLines = 50000;

    // The shortcut keys of `listing` (the schemas named "….keybindings" and the media keys),
    // each with the accelerators it holds; keys without any, and lines that are not a
    // shortcut, are left out.
    static QList<Binding> parse(const QString& listing);
    // Whether two accelerators name the same chord, in any order and spelling of the modifiers
    // ("<Super><Control>1", "<Primary><Super>1"); the key's case does not count.
    static bool sameChord(const QString& a, const QString& b);
    // The value in gsettings's text form that leaves `binding` its accelerators other than
    // those on one of `chords`.
    static QString without(const Binding& binding, const QStringList& chords);
};
