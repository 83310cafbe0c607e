// `stashwick --print-bindings`: the compositor key bindings for the user's chords, printed by
// the program module, which reads the stored configuration.
#include "core/UserDefaults.h"
#include "hotkeys/CompositorBindings.h"
#include "hotkeys/HotkeyConfig.h"

#include <cstdio>

extern "C" __attribute__((visibility("default"))) int
stashwick_print_bindings(const char* compositor, const char* command) {
    const auto flavour = CompositorBindings::flavourNamed(QString::fromUtf8(compositor));
    if (!flavour) {
        std::fprintf(stderr, "stashwick: no bindings for \"%s\": sway or hyprland\n", compositor);
        return 2;
    }
    UserDefaults defaults;
    const QStringList lines = CompositorBindings::lines(HotkeyConfig::load(defaults), *flavour,
                                                        QString::fromLocal8Bit(command));
    for (const QString& line : lines) {
        std::printf("%s\n", line.toLocal8Bit().constData());
    }
    return 0;
}
