#include "AppDelegate.h"

#include "AppState.h"
#include "core/Log.h"
#include "core/UserDefaults.h"

AppDelegate::AppDelegate(AppState& state, UserDefaults& defaults, Scheduler& scheduler,
                         Platform platform, QString stateFile, QObject* parent)
    : QObject(parent), m_state(state), m_defaults(defaults), m_scheduler(scheduler),
      m_platform(std::move(platform)), m_automation(state, defaults, std::move(stateFile)),
      m_slotClipboard(state.service()), m_self(this) {
    m_automation.report().isTrusted = m_platform.isTrusted;
    m_automation.report().session = m_platform.session;
}

AppDelegate::~AppDelegate() {
    if (m_saveRetry) {
        m_scheduler.cancel(m_saveRetry);
    }
    if (m_tapRetry) {
        m_scheduler.cancel(m_tapRetry);
    }
}

void AppDelegate::launch() {
    const auto weak = m_self.handle();

    m_coordinator = std::make_unique<HotkeyCoordinator>(
        m_state.clipboard(), m_slotClipboard, m_platform.synth, m_scheduler, m_platform.selection);
    m_coordinator->onSummon = [weak] {
        if (const auto self = weak.get()) {
            self->openMainWindow();
        }
    };
    m_coordinator->onFeedback = [weak](const FeedbackEvent& event) {
        if (const auto self = weak.get()) {
            qCInfo(Log::hotkeys).noquote() << event.summary();
            self->flashHud(event);
            // A chord's outcome lands after its command was answered: state.json follows it.
            self->m_automation.dumpState();
        }
    };

    m_automation.onSummon = [weak] {
        if (const auto self = weak.get()) {
            self->openMainWindow();
        }
    };
    m_automation.onCopy = [weak](int slot) {
        if (const auto self = weak.get(); self && self->m_coordinator) {
            self->m_coordinator->copy(slot);
        }
    };
    m_automation.onPaste = [weak](int slot) {
        if (const auto self = weak.get(); self && self->m_coordinator) {
            self->m_coordinator->paste(slot);
        }
    };
    m_automation.dumpState();

    m_eventTap = std::make_unique<EventTapController>(
        m_platform.tap, ChordRecognizer{HotkeyConfig::load(m_defaults)},
        [weak](const HotkeyDecision& decision) {
            if (const auto self = weak.get(); self && self->m_coordinator) {
                self->m_coordinator->handle(decision);
            }
        });
    m_automation.report().unavailableChords = [weak] {
        const auto self = weak.get();
        return self && self->m_eventTap ? self->m_eventTap->unavailableChords() : QList<KeyChord>();
    };

    m_state.reloadHotkeys = [weak](const HotkeyConfig& config) {
        if (const auto self = weak.get()) {
            AppDelegate& d = *self;
            config.save(d.m_defaults);
            if (d.m_eventTap) {
                d.m_eventTap->updateConfig(config);
            }
            d.m_platform.chordsChanged(config);
            d.m_automation.dumpState();
        }
    };

    m_monitor =
        std::make_unique<ClipboardMonitor>(m_state.clipboard(), m_state.slots(), m_scheduler);
    m_monitor->start(monitorInterval);
    // A copy chord's content is read once, by the chord, before the history would look at it.
    m_coordinator->holdHistory = [weak] {
        if (const auto self = weak.get(); self && self->m_monitor) {
            self->m_monitor->hold();
        }
    };
    m_coordinator->releaseHistory = [weak](std::optional<qint64> recorded) {
        if (const auto self = weak.get(); self && self->m_monitor) {
            self->m_monitor->release(recorded);
        }
    };

    const SessionReport session = m_platform.session();
    qCInfo(Log::app).noquote()
        << QStringLiteral("session %1: clipboard through %2, keystrokes through %3, chords "
                          "through %4")
               .arg(session.session, session.clipboard, session.keystrokes,
                    SessionReport::chordsName(session.chords));
    if (!m_state.isAutomationRun() && !m_platform.isTrusted()) {
        qCInfo(Log::app).noquote()
            << QStringLiteral("global chords are off: %1; checking again every 2 seconds")
                   .arg(session.offReason);
    }
    startTapWhenTrusted();
    // Changes that wait for a failed save are tried again now and then, so that freeing disk
    // space is enough for them to reach the disk.
    QObject::connect(&m_state, &AppState::notSavingChanged, this, [this](const QString& why) {
        if (!why.isEmpty() && m_state.container().isBehind() && !m_saveRetry) {
            scheduleSaveRetry();
        }
    });
    qCInfo(Log::app) << "Stashwick launched";
}

void AppDelegate::scheduleSaveRetry() {
    const auto weak = m_self.handle();
    m_saveRetry = m_scheduler.schedule(saveRetryInterval, [weak] {
        const auto self = weak.get();
        if (!self) {
            return;
        }
        AppDelegate& d = *self;
        d.m_saveRetry = 0;
        if (d.m_state.container().isBehind() && !d.m_state.retrySaving()) {
            d.scheduleSaveRetry();
        } else {
            d.m_automation.dumpState();
        }
    });
}

void AppDelegate::startTapWhenTrusted() {
    if (m_eventTap && m_eventTap->start()) {
        m_state.setEventTapActive(true);
        setStatusActive(true);
        m_automation.dumpState();
        if (m_tapRetry) {
            m_scheduler.cancel(m_tapRetry);
            m_tapRetry = 0;
        }
        return;
    }
    m_state.setEventTapActive(false);
    setStatusActive(false);
    if (!m_tapRetry) {
        scheduleTapRetry();
    }
}

void AppDelegate::scheduleTapRetry() {
    const auto weak = m_self.handle();
    m_tapRetry = m_scheduler.schedule(tapRetryInterval, [weak] {
        const auto self = weak.get();
        if (!self) {
            return;
        }
        AppDelegate& d = *self;
        d.m_tapRetry = 0;
        d.startTapWhenTrusted();
    });
}

QList<AutomationBridge::Result> AppDelegate::openUrls(const QList<QByteArray>& urls) {
    QList<AutomationBridge::Result> results;
    for (const QByteArray& url : urls) {
        results.append(m_automation.handleWithReason(url));
    }
    return results;
}

void AppDelegate::openMainWindow() {
    if (showMainWindow) {
        showMainWindow();
        return;
    }
    qCInfo(Log::app) << "main window requested (no window in this build)";
}
