#include "WaylandChordTap.h"

#include "platform/portal/GlobalShortcutsPortal.h"
#include "platform/portal/PortalEventTap.h"

WaylandChordTap::WaylandChordTap(GlobalShortcutsPortal* portal, PortalEventTap* portalTap,
                                 Fallback fallback, std::function<bool()> keystrokes)
    : m_portal(portal), m_portalTap(portalTap), m_fallback(std::move(fallback)),
      m_keystrokes(std::move(keystrokes)) {}

SessionReport::Chords WaylandChordTap::source() const {
    using S = GlobalShortcutsPortal::State;
    // A portal that refused the shortcuts after they went to it (GNOME's, for a program it
    // cannot name) hands the chords to a fallback that serves then, until it reports them
    // bound after all.
    const bool handedOver = m_fallback.afterRefusal && m_portal &&
                            m_installed == SessionReport::Chords::DesktopShortcuts &&
                            m_portal->state() == S::Refused;
    if (m_installed != SessionReport::Chords::Off && !handedOver) {
        return m_installed;
    }
    if (!m_portal) {
        return m_fallback.chords;
    }
    switch (m_portal->state()) {
    case S::Probing:
        return SessionReport::Chords::Waiting;
    case S::Offered:
    case S::Binding:
    case S::Bound:
        return SessionReport::Chords::DesktopShortcuts;
    case S::NotOffered:
    case S::Refused:
        break;
    }
    return m_fallback.chords;
}

bool WaylandChordTap::isTrusted() {
    if (!m_keystrokes()) {
        return false;
    }
    const SessionReport::Chords from = source();
    if (from == SessionReport::Chords::DesktopShortcuts) {
        return m_portalTap->isTrusted();
    }
    return from == m_fallback.chords && m_fallback.ready();
}

bool WaylandChordTap::install(const HotkeyConfig& config, Handler handler) {
    const SessionReport::Chords from = source();
    if (from == SessionReport::Chords::DesktopShortcuts) {
        if (!m_portalTap->install(config, std::move(handler))) {
            return false;
        }
    } else if (from != m_fallback.chords || !m_fallback.ready()) {
        return false;
    }
    m_installed = from;
    return true;
}

void WaylandChordTap::updateConfig(const HotkeyConfig& config) {
    if (m_installed == SessionReport::Chords::DesktopShortcuts) {
        m_portalTap->updateConfig(config);
    }
}

void WaylandChordTap::describe(SessionReport& report) const {
    report.chords = source();
    if (report.chords == SessionReport::Chords::Waiting) {
        report.offReason = QStringLiteral("the desktop's shortcut service has not answered yet");
    }
    if (report.chords == SessionReport::Chords::DesktopShortcuts) {
        report.assignedTriggers = m_portal->describedTriggers();
        if (m_portal->state() == GlobalShortcutsPortal::State::Refused) {
            report.offReason = m_portal->reason();
        }
    }
}
