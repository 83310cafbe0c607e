#include "KeyCodeMap.h"

#include "hotkeys/KeyTable.h"

namespace {

// X11 keycodes on an evdev server are the Linux input codes + 8.
constexpr int evdevOffset = 8;

} // namespace

std::optional<quint8> KeyCodeMap::toX11(quint16 virtualKeyCode) {
    const auto input = KeyTable::inputCode(virtualKeyCode);
    if (!input || *input + evdevOffset > 255) {
        return std::nullopt;
    }
    return static_cast<quint8>(*input + evdevOffset);
}

std::optional<quint16> KeyCodeMap::fromX11(quint8 x11KeyCode) {
    if (x11KeyCode < evdevOffset) {
        return std::nullopt;
    }
    return KeyTable::keyCodeOfInput(static_cast<quint16>(x11KeyCode - evdevOffset));
}
