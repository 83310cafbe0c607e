#pragma once

#include "hotkeys/GnomeShortcuts.h"
#include "hotkeys/SessionReport.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the shortcuts card says for a session: whether the chords work, the status line and its
// explanation, the lines shown below (the bindings to add, the keys the desktop assigned,
// GNOME's entries) and which buttons it offers.
struct ShortcutsAvailabilityText {
    bool on = false;
    QString status;
    QString explanation;
    QStringList lines;
    bool copyable = false;
    bool gnomeAdd = false;
    bool gnomeRemove = false;
    // GNOME's own shortcuts on the chords, in a sentence (empty without any), and whether the
    // card offers to take the chords off them.
    QString clash;
    bool gnomeFree = false;

    // `available`: whether the chords and keys work now; `bindings`: the compositor's lines for
    // the configured chords; `gnome` and `entries`: GNOME's custom shortcuts as last read and
    // the entries for the configuration, where the chords come from them (else null, empty);
    // `clashes`: GNOME's own shortcuts on the chords.
    static ShortcutsAvailabilityText of(const SessionReport& report, bool available,
                                        const QStringList& bindings,
                                        const GnomeShortcuts::Status* gnome,
                                        const QList<GnomeShortcuts::Entry>& entries,
                                        const QList<GnomeShortcuts::Clash>& clashes = {});
};
