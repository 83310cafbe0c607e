#pragma once

#include "EventTap.h"

// An event tap for tests: trust and installation are switches, events are injected with
// send(), and the calls it received are counted.
class FakeEventTap final : public EventTap {
public:
    bool isTrusted() override { return trusted; }
    bool install(const HotkeyConfig& config, Handler handler) override {
        ++installs;
        if (!installable) {
            return false;
        }
        installedConfig = config;
        m_handler = std::move(handler);
        return true;
    }
    void updateConfig(const HotkeyConfig& config) override { installedConfig = config; }
    void reenable() override { ++reenables; }
    QList<KeyChord> unavailableChords() const override { return held; }

    // Delivers a key-down; returns whether it was swallowed.
    bool keyDown(const KeyStroke& stroke) { return send({EventType::KeyDown, stroke}); }
    bool send(const Event& event) { return m_handler ? m_handler(event) : false; }

    bool trusted = true;
    bool installable = true;
    int installs = 0;
    int reenables = 0;
    HotkeyConfig installedConfig;
    QList<KeyChord> held;

private:
    Handler m_handler;
};
