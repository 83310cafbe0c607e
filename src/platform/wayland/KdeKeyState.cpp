#include "KdeKeyState.h"

#include "WaylandConnection.h"

#include <keystate-client-protocol.h>
#include <memory>

namespace {

// The modifiers arrived with version 5.
constexpr quint32 modifiersVersion = 5;

void stateChanged(void* data, org_kde_kwin_keystate*, uint32_t key, uint32_t state) {
    static_cast<KdeKeyState*>(data)->apply(key, state);
}

const org_kde_kwin_keystate_listener listener = {stateChanged};

} // namespace

std::unique_ptr<KdeKeyState> KdeKeyState::create(WaylandConnection& connection) {
    auto* keystate = static_cast<org_kde_kwin_keystate*>(
        connection.bind(&org_kde_kwin_keystate_interface, modifiersVersion, modifiersVersion));
    if (!keystate) {
        return nullptr;
    }
    auto state = std::make_unique<KdeKeyState>(connection, keystate);
    connection.roundtrip();
    return state;
}

KdeKeyState::KdeKeyState(WaylandConnection& connection, org_kde_kwin_keystate* keystate)
    : m_keystate(keystate) {
    org_kde_kwin_keystate_add_listener(m_keystate, &listener, this);
    org_kde_kwin_keystate_fetchStates(m_keystate);
    connection.flush();
}

KdeKeyState::~KdeKeyState() {
    org_kde_kwin_keystate_destroy(m_keystate);
}

void KdeKeyState::apply(quint32 key, quint32 state) {
    switch (key) {
    case ORG_KDE_KWIN_KEYSTATE_KEY_ALT:
    case ORG_KDE_KWIN_KEYSTATE_KEY_CONTROL:
    case ORG_KDE_KWIN_KEYSTATE_KEY_SHIFT:
    case ORG_KDE_KWIN_KEYSTATE_KEY_META:
    case ORG_KDE_KWIN_KEYSTATE_KEY_ALTGR:
        break;
    default:
        return; // a lock
    }
    const quint32 bit = 1u << key;
    const quint32 before = m_down;
    if (state == ORG_KDE_KWIN_KEYSTATE_STATE_PRESSED) {
        m_down |= bit;
    } else {
        m_down &= ~bit;
    }
    if (m_down != before) {
        Q_EMIT changed();
    }
}
