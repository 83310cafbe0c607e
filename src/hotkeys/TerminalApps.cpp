#include "TerminalApps.h"

#include <QStringList>

namespace {

// X11 class and instance names and Wayland app ids, in lower case.
const QStringList terminals{"gnome-terminal",
                            "gnome-terminal-server",
                            "org.gnome.terminal",
                            "kgx",
                            "org.gnome.console",
                            "ptyxis",
                            "org.gnome.ptyxis",
                            "org.gnome.ptyxis.devel",
                            "konsole",
                            "org.kde.konsole",
                            "xfce4-terminal",
                            "org.xfce.terminal",
                            "tilix",
                            "com.gexperts.tilix",
                            "terminator",
                            "alacritty",
                            "kitty",
                            "org.wezfurlong.wezterm",
                            "wezterm",
                            "wezterm-gui",
                            "xterm",
                            "uxterm",
                            "urxvt",
                            "rxvt",
                            "rxvt-unicode",
                            "st",
                            "st-256color",
                            "lxterminal",
                            "mate-terminal",
                            "qterminal",
                            "org.lxqt.qterminal",
                            "terminology",
                            "foot",
                            "footclient",
                            "org.codeberg.dnkl.foot",
                            "org.codeberg.dnkl.footclient",
                            "sakura",
                            "guake",
                            "yakuake",
                            "org.kde.yakuake",
                            "tilda",
                            "cool-retro-term",
                            "deepin-terminal",
                            "eterm",
                            "termite",
                            "terminal",
                            "io.elementary.terminal",
                            "contour",
                            "roxterm",
                            "blackbox",
                            "com.raggesilver.blackbox",
                            "com.github.amezin.ddterm",
                            "hyper",
                            "tabby",
                            "warp",
                            "dev.warp.warp",
                            "ghostty",
                            "com.mitchellh.ghostty"};

// Terminals with no copy keystroke (Control+Shift+C reaches the program as Control+C):
// their selection is the PRIMARY selection, and Shift+Insert pastes it.
const QStringList selectionTerminals{"xterm",        "uxterm", "urxvt", "rxvt",
                                     "rxvt-unicode", "aterm",  "eterm"};

bool anyPartIn(const QString& name, const QStringList& names) {
    for (QString part : name.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        // Some compositors name a Wayland window by its desktop entry's file name.
        if (part.endsWith(QLatin1String(".desktop"))) {
            part.chop(8);
        }
        if (names.contains(part)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool TerminalApps::isTerminal(const QString& name) {
    return anyPartIn(name, terminals);
}

bool TerminalApps::copiesBySelection(const QString& name) {
    return anyPartIn(name, selectionTerminals);
}
