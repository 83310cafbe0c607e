#include "KeyboardConventions.h"

#include "KeyNames.h"

namespace {

QList<quint16> digitKeys(std::initializer_list<int> digits) {
    QList<quint16> out;
    for (int d : digits) {
        out << *KeyNames::keyCode(d);
    }
    return out;
}

// Virtual key codes (US-layout positions) of keys the tables use.
constexpr quint16 keyA = 0, keyD = 2, keyE = 14, keyL = 37, keyQ = 12, keyT = 17, keyV = 9;
constexpr quint16 keySpace = 49, keyTab = 48, keyEsc = 53, keyForwardDelete = 117;
constexpr quint16 keyLeft = 123, keyRight = 124, keyDown = 125, keyUp = 126;
constexpr quint16 keyF1 = 122, keyF2 = 120, keyF3 = 99, keyF4 = 118, keyF5 = 96, keyF6 = 97,
                  keyF7 = 98, keyF8 = 100, keyF9 = 101, keyF10 = 109, keyF11 = 103, keyF12 = 111;
constexpr quint16 keyPrint = 105; // the F13 position, where PC keyboards have Print Screen

constexpr qint64 cmd = Modifiers::command, shift = Modifiers::shift, ctrl = Modifiers::control,
                 opt = Modifiers::option;

} // namespace

const KeyboardConventions& KeyboardConventions::macOS() {
    static const KeyboardConventions conventions{
        {QStringLiteral("Control"), QStringLiteral("Option"), QStringLiteral("Shift"),
         QStringLiteral("Command")},
        {
            {digitKeys({1, 2, 3, 4, 5, 6, 7, 8, 9}), ctrl,
             QStringLiteral("Mission Control: switch Desktop (if enabled)")},
            {digitKeys({3, 4, 5, 6}), cmd | shift, QStringLiteral("macOS screenshot")},
            {{keyD}, cmd | opt, QStringLiteral("Show/Hide Dock")},
            {{keyQ}, cmd | shift, QStringLiteral("Log Out")},
            {{keyQ}, cmd | ctrl, QStringLiteral("Lock Screen")},
            {{keySpace}, cmd, QStringLiteral("Spotlight")},
            {{keySpace}, cmd | opt, QStringLiteral("Spotlight Finder search")},
            {{keySpace}, cmd | ctrl, QStringLiteral("Emoji & Symbols viewer")},
            {{keySpace}, ctrl, QStringLiteral("Select previous input source")},
            {{keySpace}, ctrl | opt, QStringLiteral("Select next input source")},
            {{keyLeft}, ctrl, QStringLiteral("Move one Space left")},
            {{keyRight}, ctrl, QStringLiteral("Move one Space right")},
            {{keyDown}, ctrl, QStringLiteral("Application windows (Exposé)")},
            {{keyUp}, ctrl, QStringLiteral("Mission Control")},
        }};
    return conventions;
}

const KeyboardConventions& KeyboardConventions::linuxDesktop() {
    // Defaults of GNOME, KDE Plasma and Xfce that a chord of ours could collide with.
    static const KeyboardConventions conventions{
        {QStringLiteral("Control"), QStringLiteral("Alt"), QStringLiteral("Shift"),
         QStringLiteral("Super")},
        {
            {digitKeys({1, 2, 3, 4, 5, 6, 7, 8, 9}), cmd,
             QStringLiteral("Open or switch to a dash/taskbar application (GNOME, KDE Plasma)")},
            {digitKeys({1, 2, 3, 4, 5, 6, 7, 8, 9}), cmd | shift,
             QStringLiteral("Open a new window of a dash/taskbar application (GNOME)")},
            {{keyF1, keyF2, keyF3, keyF4, keyF5, keyF6, keyF7, keyF8, keyF9, keyF10, keyF11,
              keyF12},
             ctrl | opt,
             QStringLiteral("Switch to a virtual console (X server)")},
            {{keyF1, keyF2, keyF3, keyF4, keyF5, keyF6, keyF7, keyF8, keyF9, keyF10, keyF11,
              keyF12},
             ctrl,
             QStringLiteral("Switch to workspace (KDE Plasma, Xfce)")},
            {{keyLeft, keyRight, keyUp, keyDown},
             ctrl | opt,
             QStringLiteral("Switch workspace (GNOME, Xfce)")},
            {{keyLeft, keyRight, keyUp, keyDown},
             ctrl | opt | shift,
             QStringLiteral("Move window to another workspace (GNOME, Xfce)")},
            {{keyPrint}, 0, QStringLiteral("Screenshot (GNOME, KDE Plasma, Xfce)")},
            {{keyPrint}, shift, QStringLiteral("Screenshot of an area (GNOME, KDE Plasma)")},
            {{keyPrint}, opt, QStringLiteral("Screenshot of a window (GNOME, Xfce)")},
            {{keyL}, cmd, QStringLiteral("Lock screen (GNOME, KDE Plasma)")},
            {{keyL}, ctrl | opt, QStringLiteral("Lock screen (Ubuntu, Xfce, KDE Plasma)")},
            {{keyForwardDelete}, ctrl | opt, QStringLiteral("Log out (GNOME, KDE Plasma, Xfce)")},
            {{keyF2}, opt, QStringLiteral("Run dialog (GNOME, KDE Plasma, Xfce)")},
            {{keySpace}, opt, QStringLiteral("Window menu or KRunner (GNOME, KDE Plasma, Xfce)")},
            {{keyT}, ctrl | opt, QStringLiteral("Open a terminal (Ubuntu, Xfce, KDE Plasma)")},
            {{keySpace}, cmd, QStringLiteral("Switch input source (GNOME)")},
            {{keySpace}, cmd | shift, QStringLiteral("Switch input source backwards (GNOME)")},
            {{keyTab}, opt, QStringLiteral("Switch windows (GNOME, KDE Plasma, Xfce)")},
            {{keyTab},
             opt | shift,
             QStringLiteral("Switch windows backwards (GNOME, KDE Plasma, Xfce)")},
            {{keyTab}, cmd, QStringLiteral("Switch applications (GNOME)")},
            {{keyF4}, opt, QStringLiteral("Close window (GNOME, KDE Plasma, Xfce)")},
            {{keyF1}, opt, QStringLiteral("Application menu (GNOME, KDE Plasma, Xfce)")},
            {{keyEsc}, ctrl, QStringLiteral("Application menu (Xfce)")},
            {{keyEsc}, ctrl | opt, QStringLiteral("Kill a window (KDE Plasma, Xfce)")},
            {{keyA}, cmd, QStringLiteral("Show applications (GNOME)")},
            {{keyD}, cmd, QStringLiteral("Show desktop (GNOME, KDE Plasma, Xfce)")},
            {{keyE}, cmd, QStringLiteral("File manager (KDE Plasma, Xfce)")},
            {{keyV}, cmd, QStringLiteral("Notification list or clipboard (GNOME, KDE Plasma)")},
        }};
    return conventions;
}

const KeyboardConventions& KeyboardConventions::current() {
    return linuxDesktop();
}

std::optional<QString> KeyboardConventions::reservedShortcut(const KeyStroke& stroke) const {
    for (const Reserved& r : reserved) {
        if (r.modifiers == stroke.modifiers.rawValue && r.keyCodes.contains(stroke.keyCode)) {
            return r.text;
        }
    }
    return std::nullopt;
}
