#include "PlatformServices.h"

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

PlatformServices::PlatformServices()
    : m_tap(std::make_unique<UnavailableEventTap>()), m_synth(std::make_unique<NoKeystrokes>()) {}

PlatformServices::~PlatformServices() = default;
