#include "AppState.h"

#include "core/AppPaths.h"

#include <QFileInfo>
#include <QThread>

AppState::AppState(std::unique_ptr<StoreContainer> container, Pasteboard& pasteboard,
                   const Clock& clock, bool isAutomationRun, QObject* parent)
    : QObject(parent), m_container(std::move(container)), m_clock(clock),
      m_slots(*m_container, clock, historyLimit), m_stats(*m_container, clock),
      m_snippets(*m_container, clock), m_clipboard(pasteboard, clock),
      m_service(m_clipboard, m_slots, m_stats), m_isAutomationRun(isAutomationRun) {
    m_container->onSavingChanged = [this] { Q_EMIT notSavingChanged(notSavingReason()); };
}

AppState::~AppState() {
    m_container->onSavingChanged = [] {};
}

bool AppState::retrySaving() {
    if (!m_container->hasPendingChanges()) {
        return true;
    }
    if (!m_container->saveLogged(QStringLiteral("save failed"))) {
        return false;
    }
    m_slots.noteSaved();
    m_stats.noteSaved();
    m_snippets.noteSaved();
    return true;
}

std::unique_ptr<AppState> AppState::create(Pasteboard& pasteboard, const Clock& clock) {
    const bool automation = QFileInfo::exists(AppPaths::automationMarker());
    // A full disk or an I/O error may pass: a few seconds of tries before running in memory.
    auto container = StoreContainer::openPrimaryOrFallback(AppPaths::storeFile(), 6,
                                                           [] { QThread::msleep(500); });
    if (!container) {
        qFatal("Stashwick: cannot initialize any data store");
    }
    return std::make_unique<AppState>(std::move(container), pasteboard, clock, automation);
}

void AppState::setEventTapActive(bool active) {
    if (active == m_eventTapActive) {
        return;
    }
    m_eventTapActive = active;
    Q_EMIT eventTapActiveChanged(active);
}

void AppState::setMainTab(MainTab tab) {
    if (tab == m_mainTab) {
        return;
    }
    m_mainTab = tab;
    Q_EMIT mainTabChanged(tab);
}
