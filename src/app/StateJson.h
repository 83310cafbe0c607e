#pragma once

#include "hotkeys/KeyChord.h"
#include "hotkeys/SessionReport.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>

class AppState;
class UserDefaults;

// What "state.json" says of the program: the slots, the newest history entries, snippets,
// statistics, chords and the session; written pretty-printed with sorted keys and replaced
// atomically.
class StateJson {
public:
    StateJson(AppState& state, UserDefaults& defaults, QString file);

    QJsonObject object() const;
    // A failed write leaves the previous file as it was.
    void write() const;

    // Whether the session lets us take global chords at this moment.
    std::function<bool()> isTrusted = [] { return false; };
    // How this session reads the clipboard, presses keys and takes the chords.
    std::function<SessionReport()> session = [] { return SessionReport(); };
    // Chords of the configuration that another program holds (from the running tap).
    std::function<QList<KeyChord>()> unavailableChords = [] { return QList<KeyChord>(); };

private:
    AppState& m_state;
    UserDefaults& m_defaults;
    QString m_file;
};
