#pragma once

#include "core/Scheduler.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QProcess;

// Runs the gsettings command without waiting for it on the main thread: one command at a
// time, its output or the reason it failed handed to a callback once it ends. A command that
// has not ended within the deadline is killed and counts as failed, so a settings service that
// never answers cannot hold anything up.
class GSettingsRunner : public QObject {
    Q_OBJECT
public:
    struct Result {
        bool ok = false;
        // What the command printed (ok).
        QByteArray output;
        // Why it failed, in a sentence fragment (not ok): gsettings's own message where it
        // gave one.
        QString error;
    };
    using Callback = std::function<void(const Result&)>;

    static constexpr double deadlineSeconds = 10.0;

    GSettingsRunner(Scheduler& scheduler, QString program, QObject* parent = nullptr);
    ~GSettingsRunner() override;

    // Starts `program arguments`; `done` runs once, after it ended. Not while another runs.
    void run(const QStringList& arguments, Callback done);
    bool isRunning() const { return m_process != nullptr; }

private:
    void finish(const Result& result);

    Scheduler& m_scheduler;
    QString m_program;
    QProcess* m_process = nullptr;
    Scheduler::TaskId m_deadline = 0;
    Callback m_done;
};
