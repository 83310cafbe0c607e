#pragma once

#include "HotkeyConfig.h"

#include <QList>
#include <functional>

// The platform's global key-event source: on X11, passive key grabs of exactly the chords
// of a configuration. Events are delivered on the main thread.
class EventTap {
public:
    enum class EventType { KeyDown, DisabledByTimeout, DisabledByUserInput, Other };
    struct Event {
        EventType type = EventType::Other;
        KeyStroke stroke;
    };
    // Returns true to swallow the event.
    using Handler = std::function<bool(const Event&)>;

    virtual ~EventTap() = default;

    // Whether this session lets us observe global keys and synthesise keystrokes.
    virtual bool isTrusted() = 0;
    // Installs the tap for the chords of `config`; false when it cannot be installed.
    virtual bool install(const HotkeyConfig& config, Handler handler) = 0;
    // Replaces the chords listened for; takes effect before the next key event.
    virtual void updateConfig(const HotkeyConfig& config) = 0;
    // Switches an installed tap back on after the system switched it off.
    virtual void reenable() = 0;
    // Chords that could not be taken because another program holds them.
    virtual QList<KeyChord> unavailableChords() const = 0;
};
