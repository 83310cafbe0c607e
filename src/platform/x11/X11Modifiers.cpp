#include "X11Modifiers.h"

#include "XResource.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

X11Modifiers X11Modifiers::query(const X11Connection& x) {
    X11Modifiers m;
    auto maskOf = [&](KeySym sym, std::uint16_t fallback) {
        const unsigned int mask = XkbKeysymToModifiers(x.display, sym);
        return mask ? static_cast<std::uint16_t>(mask) : fallback;
    };
    m.alt = maskOf(XK_Alt_L, m.alt);
    m.super = maskOf(XK_Super_L, m.super);
    m.numLock = maskOf(XK_Num_Lock, m.numLock);
    return m;
}

std::optional<std::uint16_t> X11Modifiers::toMask(Modifiers m) const {
    const qint64 known =
        Modifiers::command | Modifiers::shift | Modifiers::control | Modifiers::option;
    if (m.rawValue & ~known) {
        return std::nullopt;
    }
    std::uint16_t mask = 0;
    if (m.contains(Modifiers::shift)) {
        mask |= shift;
    }
    if (m.contains(Modifiers::control)) {
        mask |= control;
    }
    if (m.contains(Modifiers::option)) {
        mask |= alt;
    }
    if (m.contains(Modifiers::command)) {
        mask |= super;
    }
    return mask;
}

Modifiers X11Modifiers::fromState(std::uint16_t state) const {
    qint64 raw = 0;
    if (state & shift) {
        raw |= Modifiers::shift;
    }
    if (state & control) {
        raw |= Modifiers::control;
    }
    if (state & alt) {
        raw |= Modifiers::option;
    }
    if (state & super) {
        raw |= Modifiers::command;
    }
    return Modifiers(raw);
}

QList<std::uint8_t> X11Modifiers::modifierKeycodes(const X11Connection& x) {
    QList<std::uint8_t> out;
    XModifierKeymap* map = XGetModifierMapping(x.display);
    if (!map) {
        return out;
    }
    for (int i = 0; i < 8 * map->max_keypermod; ++i) {
        const KeyCode kc = map->modifiermap[i];
        if (kc != 0 && !out.contains(kc)) {
            out.append(kc);
        }
    }
    XFreeModifiermap(map);
    return out;
}
