#include "PlatformServices.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11EventTap.h"
#include "platform/x11/X11KeystrokeSynthesizer.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/X11WindowActivation.h"

namespace {

class UnavailableEventTap final : public EventTap {
public:
    bool isTrusted() override { return false; }
    bool install(const HotkeyConfig&, Handler) override { return false; }
    void updateConfig(const HotkeyConfig&) override {}
    void reenable() override {}
    QList<KeyChord> unavailableChords() const override { return {}; }
};

class NoKeystrokes final : public KeystrokeSynthesizing {
public:
    void sendCopy() override {}
    void sendPaste() override {}
};

} // namespace

PlatformServices::PlatformServices(Scheduler& scheduler) {
    const auto x11 = X11Connection::current();
    m_x11 = x11;
    if (x11) {
        m_translucent = X11Connection::compositorRunning(*x11);
    }
    // Through XWayland the grabs would only see keys meant for X windows: chords stay off.
    if (x11 && !X11Session::isWaylandSession()) {
        m_tap = std::make_unique<X11EventTap>(*x11);
        m_synth = std::make_unique<X11KeystrokeSynthesizer>(*x11, scheduler);
    } else {
        m_tap = std::make_unique<UnavailableEventTap>();
        m_synth = std::make_unique<NoKeystrokes>();
    }
}

PlatformServices::~PlatformServices() = default;

void PlatformServices::activateWindow(unsigned long windowId, unsigned long userTime) {
    if (m_x11) {
        X11WindowActivation::activate(*m_x11, windowId, userTime);
    }
}
