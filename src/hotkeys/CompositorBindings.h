#pragma once

#include "HotkeyConfig.h"

#include <QString>
#include <QStringList>
#include <optional>

// The key bindings that give the chords through a compositor's own configuration, where the
// session offers no global-shortcuts service: each binding runs the stashwick command with
// the chord's automation URL ("copy-to-slot/N", "paste-slot/N", "summon"), which does
// everything the chord does.
class CompositorBindings {
public:
    enum class Flavour { Sway, Hyprland };

    // "sway" (also for river-style configurations that read sway's syntax) or "hyprland".
    static std::optional<Flavour> flavourNamed(const QString& name);
    // The 21 lines for the configured chords: copy 0–9, paste 0–9, then the window (a comment
    // instead where its key has no name). `command` is the stashwick command's absolute path.
    static QStringList lines(const HotkeyConfig& config, Flavour flavour, const QString& command);

private:
    static QString binding(Flavour flavour, Modifiers modifiers, const QString& key,
                           const QString& command, const QString& url);
};
