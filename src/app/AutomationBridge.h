#pragma once

#include "AutomationUrl.h"
#include "StateJson.h"
#include "app/ipc/InstanceFrame.h"
#include "hotkeys/KeyChord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

class AppState;
class UserDefaults;

// Runs "stashwick://" commands against the services of the application state, and has
// "state.json" written after each one.
class AutomationBridge {
public:
    using Verdict = InstanceFrame::Verdict;
    struct Result {
        Verdict verdict = Verdict::Done;
        QString reason; // why it did nothing or was refused, one line for the command line
    };

    AutomationBridge(AppState& state, UserDefaults& defaults, QString stateFile);

    // True when the scheme matched and the action is known (whatever the action found).
    bool handle(const QByteArray& url) { return handleWithReason(url).verdict != Verdict::Refused; }
    // Runs the URL; after every known action "state.json" is written, also when the action
    // found nothing to act on.
    Result handleWithReason(const QByteArray& url);

    void dumpState() { m_report.write(); }
    QJsonObject stateObject() const { return m_report.object(); }
    // What state.json is made from, and its session hooks.
    StateJson& report() { return m_report; }

    std::function<void()> onSummon = [] {};
    std::function<void(int)> onCopy = [](int) {};
    std::function<void(int)> onPaste = [](int) {};

private:
    // Absent for an unknown action.
    std::optional<Result> run(const AutomationUrl& url);
    Result loadStat(qint64 rank, qint64 toSlot);
    Result loadHistory(qint64 rank, qint64 toSlot);
    Result copySnippet(qint64 index);
    Result deleteSnippet(qint64 index);

    AppState& m_state;
    UserDefaults& m_defaults;
    StateJson m_report;
};
