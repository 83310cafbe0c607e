#pragma once

#include "hotkeys/HotkeyConfig.h"

#include <QList>
#include <QString>
#include <functional>

// Stashwick's chords as GNOME's custom keyboard shortcuts: 21 entries (copy into slot 0–9,
// paste slot 0–9, open the window) that run the stashwick command, added to and removed from
// the user's list on request, beside the user's own entries. Where the chords come from GNOME,
// the Settings card works through this; every request answers later, on the main thread.
class GnomeShortcuts {
public:
    enum class State {
        Unknown,  // not read yet
        Checking, // reading the list
        Absent,   // none of ours in the list
        Partial,  // some of ours in the list (the user removed others in GNOME's Settings)
        Added,    // all of ours in the list
        Adding,
        Updating, // writing a recorded chord into ours
        Removing,
        Freeing, // taking the chords off GNOME's own shortcuts
        Failed,  // the last request failed: see failure()
    };

    struct Status {
        State state = State::Unknown;
        // How many of ours the list held when it was last read.
        int present = 0;
        // Set when the state is Failed: the request that failed (Checking, Adding, Updating or
        // Removing) and why, as gsettings or the system said it.
        State failedRequest = State::Unknown;
        QString failure;
    };

    // One custom shortcut: where it lives, the name GNOME's Settings shows, the command line and
    // the accelerator ("<Control><Alt>3").
    struct Entry {
        QString path;
        QString name;
        QString command;
        QString binding;
    };

    // One of GNOME's own shortcuts on a chord of ours: GNOME takes that key for itself, so the
    // chord never reaches Stashwick, whichever way it is bound.
    struct Clash {
        // Ours: the accelerator and the entry's name.
        QString binding;
        QString name;
        // GNOME's: where it is kept ("org.gnome.shell.keybindings",
        // "open-new-window-application-1").
        QString schema;
        QString key;
    };

    static constexpr int entryCount = 21;

    using Done = std::function<void()>;

    virtual ~GnomeShortcuts() = default;

    virtual Status status() const = 0;
    // The 21 entries for `config`, in the order copy 0–9, paste 0–9, the window.
    virtual QList<Entry> entries(const HotkeyConfig& config) const = 0;
    // Reads the list again.
    virtual void check(Done done) = 0;
    // Writes all 21 for `config` and puts the missing ones at the end of the list.
    virtual void add(const HotkeyConfig& config, Done done) = 0;
    // Rewrites those of ours that are in the list for `config`; nothing when none is.
    virtual void update(const HotkeyConfig& config, Done done) = 0;
    // Takes ours out of the list and resets their keys.
    virtual void remove(Done done) = 0;
    // GNOME's own shortcuts on the chords of `config`, as GNOME had them when last read (every
    // request reads them again), in the order of the entries.
    virtual QList<Clash> clashes(const HotkeyConfig& config) const = 0;
    // Takes the chords of `config` off GNOME's own shortcuts; their other keys stay.
    virtual void freeClashes(const HotkeyConfig& config, Done done) = 0;
};
