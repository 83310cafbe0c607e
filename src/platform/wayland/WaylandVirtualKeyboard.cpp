#include "WaylandVirtualKeyboard.h"

#include "WaylandConnection.h"
#include "core/Log.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <virtual-keyboard-unstable-v1-client-protocol.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Offset between the protocol's evdev codes and xkb keycodes.
constexpr quint32 evdevOffset = 8;

struct ContextUnref {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
struct KeymapUnref {
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
struct StateUnref {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};

struct FileCloser {
    int fd = -1;
    ~FileCloser() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

struct WaylandVirtualKeyboard::Xkb {
    std::unique_ptr<xkb_context, ContextUnref> context;
    std::unique_ptr<xkb_keymap, KeymapUnref> keymap;
    std::unique_ptr<xkb_state, StateUnref> state;
};

std::unique_ptr<WaylandVirtualKeyboard>
WaylandVirtualKeyboard::create(WaylandConnection& connection, QString* error) {
    auto fail = [error](const QString& reason) -> std::unique_ptr<WaylandVirtualKeyboard> {
        if (error) {
            *error = reason;
        }
        return nullptr;
    };
    if (!connection.seat()) {
        return fail(QStringLiteral("the compositor offers no seat"));
    }
    auto xkb = std::make_unique<Xkb>();
    xkb->context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!xkb->context) {
        return fail(QStringLiteral("cannot start xkbcommon"));
    }
    // Null names take the layout from XKB_DEFAULT_RULES, _MODEL, _LAYOUT, _VARIANT, _OPTIONS.
    xkb->keymap.reset(
        xkb_keymap_new_from_names(xkb->context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!xkb->keymap) {
        const xkb_rule_names us{nullptr, nullptr, "us", nullptr, nullptr};
        qCWarning(Log::hotkeys) << "the keyboard layout of the environment does not compile;"
                                   " the virtual keyboard uses \"us\"";
        xkb->keymap.reset(
            xkb_keymap_new_from_names(xkb->context.get(), &us, XKB_KEYMAP_COMPILE_NO_FLAGS));
    }
    if (!xkb->keymap) {
        return fail(QStringLiteral("no keymap compiles for the virtual keyboard"));
    }
    xkb->state.reset(xkb_state_new(xkb->keymap.get()));
    if (!xkb->state) {
        return fail(QStringLiteral("cannot start xkbcommon"));
    }

    std::unique_ptr<char, decltype(&std::free)> text(
        xkb_keymap_get_as_string(xkb->keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1), &std::free);
    if (!text) {
        return fail(QStringLiteral("cannot write the keymap out"));
    }
    const size_t size = std::strlen(text.get()) + 1; // the compositor expects the final NUL
    FileCloser file{memfd_create("stashwick-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING)};
    if (file.fd < 0) {
        return fail(QStringLiteral("cannot make the keymap file: %1").arg(systemError()));
    }
    if (!writeAll(file.fd, text.get(), size)) {
        return fail(QStringLiteral("cannot write the keymap file: %1").arg(systemError()));
    }
    fcntl(file.fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);

    auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
        connection.bind(&zwp_virtual_keyboard_manager_v1_interface, 1, 1));
    if (!manager) {
        return fail(QStringLiteral("the compositor offers no virtual keyboards"));
    }
    zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, connection.seat());
    zwp_virtual_keyboard_manager_v1_destroy(manager);
    // The request carries a copy of the descriptor: ours closes when `file` goes.
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file.fd,
                                   static_cast<uint32_t>(size));
    std::unique_ptr<WaylandVirtualKeyboard> result(
        new WaylandVirtualKeyboard(connection, keyboard, std::move(xkb)));
    if (!connection.roundtrip()) {
        return fail(QStringLiteral("the compositor refused a virtual keyboard"));
    }
    return result;
}

WaylandVirtualKeyboard::WaylandVirtualKeyboard(WaylandConnection& connection,
                                               zwp_virtual_keyboard_v1* keyboard,
                                               std::unique_ptr<Xkb> xkb)
    : m_connection(connection), m_keyboard(keyboard), m_xkb(std::move(xkb)) {}

WaylandVirtualKeyboard::~WaylandVirtualKeyboard() {
    // Nothing stays held down on the seat after we go.
    while (!m_held.isEmpty()) {
        release(m_held.constLast());
    }
    zwp_virtual_keyboard_v1_destroy(m_keyboard);
    m_connection.flush();
}

std::optional<quint32> WaylandVirtualKeyboard::keyFor(quint32 keysym) const {
    xkb_keymap* keymap = m_xkb->keymap.get();
    const xkb_keycode_t min = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t max = xkb_keymap_max_keycode(keymap);
    for (xkb_level_index_t level = 0; level < 4; ++level) {
        for (xkb_keycode_t kc = std::max<xkb_keycode_t>(min, evdevOffset); kc <= max; ++kc) {
            if (level >= xkb_keymap_num_levels_for_key(keymap, kc, 0)) {
                continue;
            }
            const xkb_keysym_t* syms = nullptr;
            const int n = xkb_keymap_key_get_syms_by_level(keymap, kc, 0, level, &syms);
            for (int i = 0; i < n; ++i) {
                if (syms[i] == keysym) {
                    return kc - evdevOffset;
                }
            }
        }
    }
    return std::nullopt;
}

quint32 WaylandVirtualKeyboard::modifierMask(Modifiers modifiers) const {
    xkb_keymap* keymap = m_xkb->keymap.get();
    quint32 mask = 0;
    auto add = [&](qint64 member, const char* name) {
        if (!modifiers.contains(member)) {
            return;
        }
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
        if (index != XKB_MOD_INVALID && index < 32) {
            mask |= 1u << index;
        }
    };
    add(Modifiers::control, XKB_MOD_NAME_CTRL);
    add(Modifiers::shift, XKB_MOD_NAME_SHIFT);
    add(Modifiers::option, XKB_MOD_NAME_ALT);
    add(Modifiers::command, XKB_MOD_NAME_LOGO);
    return mask;
}

quint32 WaylandVirtualKeyboard::now() const {
    using namespace std::chrono;
    return static_cast<quint32>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void WaylandVirtualKeyboard::sendKey(quint32 key, bool down) {
    zwp_virtual_keyboard_v1_key(m_keyboard, now(), key,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                     : WL_KEYBOARD_KEY_STATE_RELEASED);
}

void WaylandVirtualKeyboard::sendModifiers(quint32 depressed, quint32 latched, quint32 locked,
                                           quint32 group) {
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, depressed, latched, locked, group);
    m_sent[0] = depressed;
    m_sent[1] = latched;
    m_sent[2] = locked;
    m_sent[3] = group;
}

void WaylandVirtualKeyboard::syncModifiers() {
    xkb_state* state = m_xkb->state.get();
    const quint32 depressed = xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
    const quint32 latched = xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED);
    const quint32 locked = xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED);
    const quint32 group = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
    if (depressed != m_sent[0] || latched != m_sent[1] || locked != m_sent[2] ||
        group != m_sent[3]) {
        sendModifiers(depressed, latched, locked, group);
    }
}

void WaylandVirtualKeyboard::press(quint32 key) {
    if (m_held.contains(key)) {
        return; // a second press of a held key would be a protocol-level repeat
    }
    m_held.append(key);
    sendKey(key, true);
    xkb_state_update_key(m_xkb->state.get(), key + evdevOffset, XKB_KEY_DOWN);
    syncModifiers();
}

void WaylandVirtualKeyboard::release(quint32 key) {
    if (!m_held.removeOne(key)) {
        return;
    }
    sendKey(key, false);
    xkb_state_update_key(m_xkb->state.get(), key + evdevOffset, XKB_KEY_UP);
    syncModifiers();
}

void WaylandVirtualKeyboard::tap(Modifiers modifiers, quint32 key) {
    sendModifiers(modifierMask(modifiers), 0, m_sent[2], m_sent[3]);
    sendKey(key, true);
    sendKey(key, false);
    syncModifiers();
    flush();
}

void WaylandVirtualKeyboard::typeChord(Modifiers modifiers, quint32 key) {
    static constexpr struct {
        qint64 member;
        quint32 key;
    } modifierKeys[] = {{Modifiers::control, KEY_LEFTCTRL},
                        {Modifiers::option, KEY_LEFTALT},
                        {Modifiers::shift, KEY_LEFTSHIFT},
                        {Modifiers::command, KEY_LEFTMETA}};
    for (const auto& m : modifierKeys) {
        if (modifiers.contains(m.member)) {
            press(m.key);
        }
    }
    press(key);
    release(key);
    for (auto it = std::rbegin(modifierKeys); it != std::rend(modifierKeys); ++it) {
        if (modifiers.contains(it->member)) {
            release(it->key);
        }
    }
    flush();
}

void WaylandVirtualKeyboard::flush() {
    m_connection.flush();
}
