#include "PlatformServices.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11EventTap.h"
#include "platform/x11/X11KeystrokeSynthesizer.h"

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
    if (const auto x11 = X11Connection::current()) {
        m_tap = std::make_unique<X11EventTap>(*x11);
        m_synth = std::make_unique<X11KeystrokeSynthesizer>(*x11, scheduler);
        m_translucent = X11Connection::compositorRunning(*x11);
    } else {
        m_tap = std::make_unique<UnavailableEventTap>();
        m_synth = std::make_unique<NoKeystrokes>();
    }
}

PlatformServices::~PlatformServices() = default;
