#include "GnomeCustomShortcuts.h"

#include "GVariantText.h"
#include "GnomeShortcutEntries.h"
#include "core/Log.h"

#include <QSet>

namespace {

QString requestName(GnomeShortcuts::State kind) {
    switch (kind) {
    case GnomeShortcuts::State::Adding:
        return QStringLiteral("adding");
    case GnomeShortcuts::State::Updating:
        return QStringLiteral("updating");
    case GnomeShortcuts::State::Removing:
        return QStringLiteral("removing");
    case GnomeShortcuts::State::Freeing:
        return QStringLiteral("freeing GNOME's own keys of");
    default:
        return QStringLiteral("reading");
    }
}

} // namespace

GnomeCustomShortcuts::GnomeCustomShortcuts(QString command, Scheduler& scheduler, QString gsettings,
                                           QObject* parent)
    : QObject(parent), m_command(std::move(command)),
      m_runner(scheduler, std::move(gsettings), this) {}

QList<GnomeShortcuts::Entry> GnomeCustomShortcuts::entries(const HotkeyConfig& config) const {
    return GnomeShortcutEntries::entries(config, m_command);
}

void GnomeCustomShortcuts::check(Done done) {
    enqueue(State::Checking, HotkeyConfig(), std::move(done));
}

void GnomeCustomShortcuts::add(const HotkeyConfig& config, Done done) {
    enqueue(State::Adding, config, std::move(done));
}

void GnomeCustomShortcuts::update(const HotkeyConfig& config, Done done) {
    // Chords recorded one after another: only the last one waiting needs writing (the running
    // request has its steps already).
    const qsizetype waiting = m_queue.size() - (m_busy ? 1 : 0);
    if (waiting > 0 && m_queue.last().kind == State::Updating) {
        m_queue.last().config = config;
        if (done) {
            m_queue.last().done.append(std::move(done));
        }
        return;
    }
    enqueue(State::Updating, config, std::move(done));
}

void GnomeCustomShortcuts::remove(Done done) {
    enqueue(State::Removing, HotkeyConfig(), std::move(done));
}

QList<GnomeShortcuts::Clash> GnomeCustomShortcuts::clashes(const HotkeyConfig& config) const {
    QList<Clash> out;
    for (const Entry& e : entries(config)) {
        if (e.binding.isEmpty()) {
            continue;
        }
        for (const GnomeKeyBindings::Binding& b : m_bindings) {
            for (const QString& a : b.accelerators) {
                if (GnomeKeyBindings::sameChord(a, e.binding)) {
                    out.append({e.binding, e.name, b.schema, b.key});
                    break;
                }
            }
        }
    }
    return out;
}

void GnomeCustomShortcuts::freeClashes(const HotkeyConfig& config, Done done) {
    enqueue(State::Freeing, config, std::move(done));
}

void GnomeCustomShortcuts::enqueue(State kind, const HotkeyConfig& config, Done done) {
    Request request{kind, config, {}};
    if (done) {
        request.done.append(std::move(done));
    }
    m_queue.append(std::move(request));
    if (!m_busy) {
        startNext();
    }
}

void GnomeCustomShortcuts::startNext() {
    if (m_queue.isEmpty()) {
        return;
    }
    m_busy = true;
    const Request& request = m_queue.first();
    Status working = m_status;
    working.state = request.kind;
    working.failedRequest = State::Unknown;
    working.failure.clear();
    setStatus(working);

    m_steps.clear();
    switch (request.kind) {
    case State::Adding: {
        // The entries first, so that GNOME finds each one whole when its path appears.
        const QList<Entry> ours = entries(request.config);
        for (const Entry& e : ours) {
            m_steps << writeEntry(e);
        }
        // The list as it is now, with the missing ones of ours at its end.
        m_steps << readList([this, ours](const QStringList& list) {
            QStringList merged = list;
            for (const Entry& e : ours) {
                if (!merged.contains(e.path)) {
                    merged << e.path;
                }
            }
            if (merged != list) {
                m_steps << writeList(merged);
            }
            m_steps << readList([this](const QStringList& l) { noteList(l); });
        });
        break;
    }
    case State::Updating: {
        const QList<Entry> ours = entries(request.config);
        m_steps << readList([this, ours](const QStringList& list) {
            noteList(list);
            for (const Entry& e : ours) {
                if (list.contains(e.path)) {
                    m_steps << writeEntry(e);
                }
            }
        });
        break;
    }
    case State::Removing:
        m_steps << readList([this](const QStringList& list) {
            QStringList kept;
            QStringList gone;
            for (const QString& path : list) {
                (GnomeShortcutEntries::isOurs(path) ? gone : kept) << path;
            }
            if (!gone.isEmpty()) {
                m_steps << writeList(kept);
            }
            // Every entry of ours loses its keys, also one no longer in the list.
            for (const Entry& e : entries(HotkeyConfig())) {
                if (!gone.contains(e.path)) {
                    gone << e.path;
                }
            }
            for (const QString& path : gone) {
                m_steps << Step{{QStringLiteral("reset-recursively"),
                                 GnomeShortcutEntries::entrySchema + u':' + path},
                                nullptr};
            }
            m_steps << readList([this](const QStringList& l) { noteList(l); });
        });
        break;
    case State::Freeing: {
        QStringList ours;
        for (const Entry& e : entries(request.config)) {
            ours << e.binding;
        }
        // As GNOME has them now, not as they were last read.
        m_steps << readBindings([this, ours] {
            QList<Step> sets;
            for (const GnomeKeyBindings::Binding& b : m_bindings) {
                const QString kept = GnomeKeyBindings::without(b, ours);
                if (kept != GnomeKeyBindings::without(b, {})) {
                    sets << Step{{QStringLiteral("set"), b.schema, b.key, kept}, nullptr};
                }
            }
            m_steps = sets + m_steps;
        });
        m_steps << readList([this](const QStringList& list) { noteList(list); });
        break;
    }
    default:
        m_steps << readList([this](const QStringList& list) { noteList(list); });
        break;
    }
    m_steps << readBindings();
    runSteps();
}

void GnomeCustomShortcuts::runSteps() {
    if (m_steps.isEmpty()) {
        finishRequest(QString());
        return;
    }
    Step step = m_steps.takeFirst();
    m_runner.run(step.arguments, [this, step](const GSettingsRunner::Result& result) {
        if (!result.ok) {
            m_steps.clear();
            finishRequest(result.error);
            return;
        }
        const QString failure = step.then ? step.then(result.output) : QString();
        if (!failure.isEmpty()) {
            m_steps.clear();
            finishRequest(failure);
            return;
        }
        runSteps();
    });
}

void GnomeCustomShortcuts::finishRequest(QString failure) {
    Request request = m_queue.takeFirst();
    // gsettings reports success when it cannot reach the settings service (its writes are
    // then dropped without a word): the list read back tells.
    const bool kept = request.kind == State::Adding     ? m_present == entryCount
                      : request.kind == State::Removing ? m_present == 0
                      : request.kind == State::Freeing  ? clashes(request.config).isEmpty()
                                                        : true;
    if (failure.isEmpty() && !kept) {
        const QString held =
            request.kind == State::Freeing
                ? QStringLiteral("%1 of its own shortcuts are still on Stashwick's chords")
                      .arg(clashes(request.config).size())
                : QStringLiteral("the list holds %1 of Stashwick's %2")
                      .arg(m_present)
                      .arg(entryCount);
        failure = QStringLiteral("GNOME's settings did not keep the change (%1); is the settings "
                                 "service (dconf) running?")
                      .arg(held);
    }
    Status done;
    done.present = m_present;
    if (!failure.isEmpty()) {
        done.state = State::Failed;
        done.failedRequest = request.kind;
        done.failure = failure;
        qCWarning(Log::hotkeys).noquote() << QStringLiteral("GNOME custom shortcuts: %1 failed: %2")
                                                 .arg(requestName(request.kind), failure);
    } else {
        done.state = m_present == 0            ? State::Absent
                     : m_present == entryCount ? State::Added
                                               : State::Partial;
        if (request.kind != State::Checking) {
            qCInfo(Log::hotkeys).noquote()
                << QStringLiteral("GNOME custom shortcuts: %1 done, %2 of %3 in the list")
                       .arg(requestName(request.kind))
                       .arg(m_present)
                       .arg(entryCount);
        }
    }
    m_busy = false;
    setStatus(done);
    for (const Done& d : request.done) {
        d();
    }
    if (!m_busy) {
        startNext();
    }
}

void GnomeCustomShortcuts::setStatus(const Status& status) {
    m_status = status;
    Q_EMIT changed();
}

GnomeCustomShortcuts::Step
GnomeCustomShortcuts::readList(std::function<void(const QStringList&)> then) {
    return {
        {QStringLiteral("get"), GnomeShortcutEntries::listSchema, GnomeShortcutEntries::listKey},
        [then](const QByteArray& output) {
            const QString text = QString::fromUtf8(output).trimmed();
            const std::optional<QStringList> list = GVariantText::parseStringArray(text);
            if (!list) {
                return QStringLiteral("the list of custom shortcuts is unreadable (%1)").arg(text);
            }
            then(*list);
            return QString();
        }};
}

GnomeCustomShortcuts::Step GnomeCustomShortcuts::writeList(const QStringList& list) {
    return {{QStringLiteral("set"), GnomeShortcutEntries::listSchema, GnomeShortcutEntries::listKey,
             GVariantText::stringArray(list)},
            nullptr};
}

QList<GnomeCustomShortcuts::Step> GnomeCustomShortcuts::writeEntry(const Entry& entry) {
    const QString schema = GnomeShortcutEntries::entrySchema + u':' + entry.path;
    QList<Step> steps;
    for (const auto& [key, value] : {std::pair{QStringLiteral("name"), entry.name},
                                     std::pair{QStringLiteral("command"), entry.command},
                                     std::pair{QStringLiteral("binding"), entry.binding}}) {
        steps << Step{{QStringLiteral("set"), schema, key, GVariantText::quoted(value)}, nullptr};
    }
    return steps;
}

GnomeCustomShortcuts::Step GnomeCustomShortcuts::readBindings(std::function<void()> then) {
    return {{QStringLiteral("list-recursively")}, [this, then](const QByteArray& output) {
                m_bindings = GnomeKeyBindings::parse(QString::fromUtf8(output));
                if (then) {
                    then();
                }
                return QString();
            }};
}

void GnomeCustomShortcuts::noteList(const QStringList& list) {
    int present = 0;
    for (const Entry& e : entries(HotkeyConfig())) {
        present += list.contains(e.path) ? 1 : 0;
    }
    m_present = present;
}
