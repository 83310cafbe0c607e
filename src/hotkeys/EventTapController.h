#pragma once

#include "ChordRecognizer.h"
#include "EventTap.h"

#include <functional>

// Installs the global key tap, decides each key-down with the recognizer, swallows chords
// and hands their decisions to `onMatch` on the main thread. There is no stop: once started
// it stays on for the life of the process.
class EventTapController {
public:
    using MatchHandler = std::function<void(const HotkeyDecision&)>;

    EventTapController(EventTap& tap, ChordRecognizer recognizer, MatchHandler onMatch);

    // True when the tap is installed (now or before). A failure is logged once, not at
    // every retry, until the reason changes.
    bool start();
    bool isActive() const { return m_active; }
    void updateConfig(const HotkeyConfig& config);
    const ChordRecognizer& recognizer() const { return m_recognizer; }
    // Chords of the configuration that another program holds.
    QList<KeyChord> unavailableChords() const { return m_tap.unavailableChords(); }

    // The tap's callback: true when the event is swallowed.
    bool handleEvent(const EventTap::Event& event);

private:
    EventTap& m_tap;
    ChordRecognizer m_recognizer;
    MatchHandler m_onMatch;
    bool m_active = false;
    // The last failure logged; the 2-second retries log a failure only when it changes.
    QString m_lastFailure;
};
