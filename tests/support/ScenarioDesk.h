#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// What the chord scenario needs of a desktop session, and the one place where the sessions
// differ: how the program is asked, how another application owns the clipboard, how the user
// presses a chord there, and which application's text entry the chords copy from and paste
// into. Each suite that runs the scenario implements it for its session.
class ScenarioDesk {
public:
    enum class Chord { Copy, Paste };

    virtual ~ScenarioDesk() = default;
    ScenarioDesk(const ScenarioDesk&) = delete;
    ScenarioDesk& operator=(const ScenarioDesk&) = delete;

    // The program's state.json after a fresh `stashwick://dump`.
    virtual QJsonObject dump() = 0;
    // The stashwick command ran `url` and exited with success.
    virtual bool run(const QString& url) = 0;

    // Another application owns the clipboard with `text`, and a reader gets it.
    virtual bool setClipboard(const QByteArray& text) = 0;
    // What a reader of the clipboard gets now (as text).
    virtual QByteArray clipboard() = 0;

    // The user presses the copy or the paste chord of slot `slot` as this session delivers it.
    virtual bool pressChord(Chord chord, int slot) = 0;
    // Until the user has let go of the last chord's keys.
    virtual bool keysReleased() { return true; }

    // Another application's text entry in front, holding `text`, with the keyboard focus and
    // its text all selected.
    virtual bool openEntry(const QString& text) = 0;
    // The user moves the entry's cursor to the end of its text.
    virtual bool pressEnd() = 0;
    // The entry's text as the application shows it now.
    virtual QString entryText() = 0;
    // The user accepts or closes the entry; its final text as the application reports it.
    virtual QString closeEntry() = 0;

protected:
    ScenarioDesk() = default;
};
