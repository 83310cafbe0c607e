#include "AppState.h"

#include "core/AppPaths.h"

#include <QFileInfo>

AppState::AppState(std::unique_ptr<StoreContainer> container, Pasteboard& pasteboard,
                   const Clock& clock, bool isAutomationRun, QObject* parent)
    : QObject(parent), m_container(std::move(container)), m_clock(clock),
      m_slots(*m_container, clock, historyLimit), m_stats(*m_container, clock),
      m_snippets(*m_container, clock), m_clipboard(pasteboard, clock),
      m_service(m_clipboard, m_slots, m_stats), m_isAutomationRun(isAutomationRun) {}

std::unique_ptr<AppState> AppState::create(Pasteboard& pasteboard, const Clock& clock) {
    const bool automation = QFileInfo::exists(AppPaths::automationMarker());
    auto container = StoreContainer::openPrimaryOrFallback(AppPaths::storeFile());
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
