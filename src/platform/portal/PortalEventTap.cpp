#include "PortalEventTap.h"

#include "core/Log.h"

PortalEventTap::PortalEventTap(GlobalShortcutsPortal& portal) : m_portal(portal) {
    m_activation = QObject::connect(&m_portal, &GlobalShortcutsPortal::activated,
                                    [this](const QString& id) { activated(id); });
    if (m_portal.state() == GlobalShortcutsPortal::State::Probing) {
        m_portal.probe();
    }
}

PortalEventTap::~PortalEventTap() {
    QObject::disconnect(m_activation);
}

bool PortalEventTap::isTrusted() {
    using State = GlobalShortcutsPortal::State;
    const State state = m_portal.state();
    return state == State::Bound || (!m_installed && m_portal.isOffered());
}

bool PortalEventTap::install(const HotkeyConfig& config, Handler handler) {
    if (!m_portal.isOffered()) {
        return false;
    }
    m_config = config;
    m_handler = std::move(handler);
    m_installed = true;
    m_portal.bind(ShortcutTriggers::shortcuts(config));
    return true;
}

void PortalEventTap::updateConfig(const HotkeyConfig& config) {
    if (!m_installed) {
        return;
    }
    m_config = config;
    m_portal.bind(ShortcutTriggers::shortcuts(config));
}

void PortalEventTap::activated(const QString& id) {
    const auto stroke = ShortcutTriggers::stroke(id, m_config);
    if (!m_installed || !stroke) {
        qCDebug(Log::hotkeys).noquote() << "chords: no chord for the desktop's shortcut" << id;
        return;
    }
    if (m_handler) {
        m_handler(Event{EventType::KeyDown, *stroke});
    }
}
