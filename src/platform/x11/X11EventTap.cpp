#include "X11EventTap.h"

#include "KeyCodeMap.h"
#include "XResource.h"
#include "core/Log.h"
#include "hotkeys/ChordActions.h"

#include <QCoreApplication>
#include <xcb/xcb.h>

namespace {
constexpr std::uint8_t badAccess = 10;

// Each distinct chord once (the copy and paste modifiers may be the same).
QList<KeyChord> chordsOf(const HotkeyConfig& config) {
    QList<KeyChord> chords;
    for (const ChordAction& a : ChordActions::all()) {
        const KeyChord c = a.chord(config);
        if (!chords.contains(c)) {
            chords.append(c);
        }
    }
    return chords;
}
} // namespace

X11EventTap::X11EventTap(X11Connection x) : m_x(x) {}

X11EventTap::~X11EventTap() {
    if (m_installed) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        ungrabAll();
    }
}

bool X11EventTap::isTrusted() {
    return X11Connection::hasXTest(m_x);
}

bool X11EventTap::install(const HotkeyConfig& config, Handler handler) {
    if (!QCoreApplication::instance()) {
        return false;
    }
    m_handler = std::move(handler);
    m_mods = X11Modifiers::query(m_x);
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_installed = true;
    grabAll(config);
    return true;
}

void X11EventTap::updateConfig(const HotkeyConfig& config) {
    if (!m_installed) {
        return;
    }
    ungrabAll();
    grabAll(config);
}

QList<std::uint16_t> X11EventTap::lockVariants() const {
    return {0, m_mods.lock, m_mods.numLock,
            static_cast<std::uint16_t>(m_mods.lock | m_mods.numLock)};
}

void X11EventTap::grabAll(const HotkeyConfig& config) {
    m_unavailable.clear();
    for (const KeyChord& chord : chordsOf(config)) {
        const auto keycode = KeyCodeMap::toX11(chord.keyCode);
        const auto mask = m_mods.toMask(chord.modifiers);
        if (!keycode || !mask) {
            qCWarning(Log::hotkeys).noquote()
                << QStringLiteral("chord %1 cannot be taken on X11").arg(chord.display());
            continue;
        }
        QList<xcb_void_cookie_t> cookies;
        for (std::uint16_t variant : lockVariants()) {
            cookies.append(xcb_grab_key_checked(m_x.connection, 0, m_x.root, *mask | variant,
                                                *keycode, XCB_GRAB_MODE_ASYNC,
                                                XCB_GRAB_MODE_ASYNC));
        }
        bool refused = false;
        for (const xcb_void_cookie_t& cookie : cookies) {
            XcbReply<xcb_generic_error_t> error(xcb_request_check(m_x.connection, cookie));
            if (error && error->error_code == badAccess) {
                refused = true;
            }
        }
        if (refused) {
            for (std::uint16_t variant : lockVariants()) {
                xcb_ungrab_key(m_x.connection, *keycode, m_x.root, *mask | variant);
            }
            m_unavailable.append(chord);
            qCWarning(Log::hotkeys).noquote()
                << QStringLiteral("chord %1 is held by another program").arg(chord.display());
            continue;
        }
        m_grabs.append(Grab{*keycode, *mask, chord});
    }
    xcb_flush(m_x.connection);
}

void X11EventTap::ungrabAll() {
    for (const Grab& g : m_grabs) {
        for (std::uint16_t variant : lockVariants()) {
            xcb_ungrab_key(m_x.connection, g.keycode, m_x.root, g.mods | variant);
        }
    }
    m_grabs.clear();
    xcb_flush(m_x.connection);
}

bool X11EventTap::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !m_installed) {
        return false;
    }
    const auto* ev = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = ev->response_type & 0x7F;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->event != m_x.root) {
        return false;
    }
    const std::uint16_t mods = key->state & m_mods.relevant();
    const Grab* grab = nullptr;
    for (const Grab& g : m_grabs) {
        if (g.keycode == key->detail && g.mods == mods) {
            grab = &g;
            break;
        }
    }
    if (type == XCB_KEY_RELEASE) {
        // The release of a grabbed key belongs to the chord: swallow it too.
        return std::any_of(m_grabs.begin(), m_grabs.end(),
                           [key](const Grab& g) { return g.keycode == key->detail; });
    }
    if (!grab) {
        return false;
    }
    // End the keyboard grab the chord started, so that the keys we synthesise next reach
    // the focused application rather than us.
    xcb_ungrab_keyboard(m_x.connection, key->time);
    xcb_flush(m_x.connection);
    if (!m_handler) {
        return true;
    }
    m_handler(Event{EventType::KeyDown, grab->chord});
    return true;
}
