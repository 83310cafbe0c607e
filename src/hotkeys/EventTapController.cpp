#include "EventTapController.h"

#include "core/Log.h"

EventTapController::EventTapController(EventTap& tap, ChordRecognizer recognizer,
                                       MatchHandler onMatch)
    : m_tap(tap), m_recognizer(std::move(recognizer)), m_onMatch(std::move(onMatch)) {}

bool EventTapController::start() {
    if (m_active) {
        return true;
    }
    auto fail = [this](const QString& message) {
        if (message != m_lastFailure) {
            qCCritical(Log::hotkeys).noquote() << message;
            m_lastFailure = message;
        }
        return false;
    };
    if (!m_tap.isTrusted()) {
        return fail(QStringLiteral("event tap not started: Accessibility not granted"));
    }
    if (!m_tap.install(m_recognizer.config,
                       [this](const EventTap::Event& event) { return handleEvent(event); })) {
        return fail(QStringLiteral("CGEvent.tapCreate returned nil"));
    }
    m_active = true;
    qCInfo(Log::hotkeys) << "event tap active";
    return true;
}

void EventTapController::updateConfig(const HotkeyConfig& config) {
    m_recognizer.config = config;
    if (m_active) {
        m_tap.updateConfig(config);
    }
    qCInfo(Log::hotkeys) << "hotkey config reloaded";
}

bool EventTapController::handleEvent(const EventTap::Event& event) {
    switch (event.type) {
    case EventTap::EventType::DisabledByTimeout:
    case EventTap::EventType::DisabledByUserInput:
        if (m_active) {
            m_tap.reenable();
        }
        return false;
    case EventTap::EventType::Other:
        return false;
    case EventTap::EventType::KeyDown:
        break;
    }
    const HotkeyDecision decision = m_recognizer.decide(event.stroke);
    if (decision.kind == HotkeyDecision::Kind::PassThrough) {
        return false;
    }
    if (m_onMatch) {
        m_onMatch(decision);
    }
    return true;
}
