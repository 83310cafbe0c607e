#pragma once

#include "AutomationUrl.h"
#include "hotkeys/KeyChord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>

class AppState;
class UserDefaults;

// Runs "stashwick://" commands against the services of the application state, and writes
// "state.json" (pretty-printed, sorted keys, replaced atomically) after each one.
class AutomationBridge {
public:
    struct Result {
        bool handled = false;
        QString reason; // why it was not handled, for the command line
    };

    AutomationBridge(AppState& state, UserDefaults& defaults, QString stateFile);

    // True when the scheme matched and the action is known (whatever the action found).
    bool handle(const QByteArray& url) { return handleWithReason(url).handled; }
    Result handleWithReason(const QByteArray& url);

    void dumpState();
    QJsonObject stateObject() const;

    std::function<void()> onSummon = [] {};
    std::function<void(int)> onPaste = [](int) {};
    // Whether the session lets us take global chords at this moment.
    std::function<bool()> isTrusted = [] { return false; };
    // Chords of the configuration that another program holds (from the running tap).
    std::function<QList<KeyChord>()> unavailableChords = [] { return QList<KeyChord>(); };

private:
    bool run(const AutomationUrl& url);
    void loadStat(qint64 rank, qint64 toSlot);
    void loadHistory(qint64 rank, qint64 toSlot);
    void copySnippet(qint64 index);
    void deleteSnippet(qint64 index);

    AppState& m_state;
    UserDefaults& m_defaults;
    QString m_stateFile;
};
