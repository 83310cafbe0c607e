#pragma once

#include "GSettingsRunner.h"
#include "GnomeKeyBindings.h"
#include "hotkeys/GnomeShortcuts.h"

#include <QObject>

// GNOME's custom keyboard shortcuts written through the gsettings command: the paths in
// org.gnome.settings-daemon.plugins.media-keys custom-keybindings, and at each of ours the
// relocatable ….custom-keybinding schema's name, command and binding. The user's own entries
// keep their paths and their order; ours are told apart by their paths. Requests run one after
// another, each command without waiting on the main thread; every request ends by reading the
// list back, and GNOME's own shortcuts too, so status() and clashes() tell what GNOME has.
class GnomeCustomShortcuts : public QObject, public GnomeShortcuts {
    Q_OBJECT
public:
    // `command` is the stashwick command's absolute path; `gsettings` the program to run.
    GnomeCustomShortcuts(QString command, Scheduler& scheduler,
                         QString gsettings = QStringLiteral("gsettings"),
                         QObject* parent = nullptr);

    Status status() const override { return m_status; }
    QList<Entry> entries(const HotkeyConfig& config) const override;
    void check(Done done) override;
    void add(const HotkeyConfig& config, Done done) override;
    void update(const HotkeyConfig& config, Done done) override;
    void remove(Done done) override;
    QList<Clash> clashes(const HotkeyConfig& config) const override;
    void freeClashes(const HotkeyConfig& config, Done done) override;

Q_SIGNALS:
    void changed();

private:
    struct Request {
        State kind; // Checking, Adding, Updating, Removing or Freeing
        HotkeyConfig config;
        QList<Done> done;
    };
    struct Step {
        QStringList arguments;
        // Gets the command's output and may queue further steps; a non-empty answer is why the
        // request fails.
        std::function<QString(const QByteArray&)> then;
    };

    void enqueue(State kind, const HotkeyConfig& config, Done done);
    void startNext();
    void runSteps();
    void finishRequest(QString failure);
    void setStatus(const Status& status);

    // Steps.
    Step readList(std::function<void(const QStringList&)> then);
    Step writeList(const QStringList& list);
    QList<Step> writeEntry(const Entry& entry);
    // Reads GNOME's own shortcuts into m_bindings; then `then`, which may queue further steps.
    Step readBindings(std::function<void()> then = {});
    // Notes how many of ours `list` holds.
    void noteList(const QStringList& list);

    QString m_command;
    GSettingsRunner m_runner;
    Status m_status;
    int m_present = 0;
    QList<GnomeKeyBindings::Binding> m_bindings;
    QList<Request> m_queue;
    bool m_busy = false;
    QList<Step> m_steps;
};
