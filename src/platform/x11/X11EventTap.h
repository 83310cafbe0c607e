#pragma once

#include "X11Connection.h"
#include "X11Modifiers.h"
#include "hotkeys/EventTap.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <cstdint>

// Global chords on X11: passive grabs of exactly the configured chords on the root window,
// through Qt's own XCB connection, each with every Caps Lock / Num Lock variant. Key events
// arrive in a native event filter on the main thread and are swallowed. A chord another
// program already grabbed (BadAccess) is reported, never fatal.
class X11EventTap final : public EventTap, public QAbstractNativeEventFilter {
public:
    explicit X11EventTap(X11Connection x);
    ~X11EventTap() override;

    bool isTrusted() override;
    bool install(const HotkeyConfig& config, Handler handler) override;
    void updateConfig(const HotkeyConfig& config) override;
    void reenable() override {}
    QList<KeyChord> unavailableChords() const override { return m_unavailable; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t mods;
        KeyChord chord;
    };
    void grabAll(const HotkeyConfig& config);
    void ungrabAll();
    QList<std::uint16_t> lockVariants() const;

    X11Connection m_x;
    X11Modifiers m_mods;
    Handler m_handler;
    bool m_installed = false;
    QList<Grab> m_grabs;
    QList<KeyChord> m_unavailable;
};
