#include "KeystrokeChoice.h"

#include "hotkeys/TerminalApps.h"

#include <QStringList>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

namespace {

constexpr Modifiers control = Modifiers::of({Modifiers::control});
constexpr Modifiers controlShift = Modifiers::of({Modifiers::control, Modifiers::shift});
constexpr Modifiers shift = Modifiers::of({Modifiers::shift});

} // namespace

std::optional<KeystrokeChoice::Keystroke> KeystrokeChoice::copy(const QString& appId) {
    if (TerminalApps::copiesBySelection(appId)) {
        return std::nullopt; // any keystroke would reach the program in the terminal
    }
    const Modifiers modifiers = TerminalApps::isTerminal(appId) ? controlShift : control;
    return Keystroke{modifiers, XKB_KEY_c, KEY_C};
}

KeystrokeChoice::Keystroke KeystrokeChoice::paste(const QString& appId) {
    if (TerminalApps::copiesBySelection(appId)) {
        return Keystroke{shift, XKB_KEY_Insert, KEY_INSERT};
    }
    const Modifiers modifiers = TerminalApps::isTerminal(appId) ? controlShift : control;
    return Keystroke{modifiers, XKB_KEY_v, KEY_V};
}

bool KeystrokeChoice::copiesBySelection(const QString& appId) {
    return TerminalApps::copiesBySelection(appId);
}

QString KeystrokeChoice::describe(const Keystroke& keystroke) {
    QStringList parts;
    if (keystroke.modifiers.contains(Modifiers::control)) {
        parts << QStringLiteral("Control");
    }
    if (keystroke.modifiers.contains(Modifiers::option)) {
        parts << QStringLiteral("Alt");
    }
    if (keystroke.modifiers.contains(Modifiers::shift)) {
        parts << QStringLiteral("Shift");
    }
    if (keystroke.modifiers.contains(Modifiers::command)) {
        parts << QStringLiteral("Super");
    }
    char name[64] = {};
    if (xkb_keysym_get_name(keystroke.keysym, name, sizeof name) > 0) {
        const QString symbol = QString::fromLatin1(name);
        parts << (symbol.size() == 1 ? symbol.toUpper() : symbol);
    } else {
        parts << QStringLiteral("key %1").arg(keystroke.key);
    }
    return parts.join(QLatin1Char('+'));
}
