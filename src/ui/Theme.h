#pragma once

#include "AppearanceMode.h"
#include "PaletteColors.h"

#include <QColor>
#include <functional>

class UserDefaults;

// Every colour of the window and the HUD: a role resolved from the chosen palette ("themePalette",
// read on every call) for the current appearance (forced light or dark, or the desktop's).
class Theme {
public:
    // `desktopIsDark` tells whether the desktop's own palette is dark (for AppearanceMode::System).
    Theme(const UserDefaults& defaults, std::function<bool()> desktopIsDark);

    int activePalette() const;
    bool isDark() const;
    const PaletteColors& colors() const;

    QColor window() const { return hex(colors().window); }
    QColor surface() const { return hex(colors().surface); }
    QColor surfaceRaise() const { return hex(colors().surfaceRaise); }
    QColor label() const { return hex(colors().label); }
    QColor secondaryLabel() const { return hex(colors().secondaryLabel); }
    QColor tertiaryLabel() const { return hex(colors().tertiaryLabel); }
    QColor accent() const { return hex(colors().action); }
    QColor accentText() const { return hex(colors().actionText); }
    QColor actionForeground() const { return hex(colors().onAction); }
    QColor actionTop() const { return hex(colors().actionTop); }
    QColor actionGlint() const { return hex(colors().actionGlint); }
    QColor stroke() const { return hex(colors().stroke); }
    QColor strokeStrong() const { return hex(colors().strokeStrong); }
    QColor divider() const { return hex(colors().divider); }
    QColor success() const { return hex(colors().success); }
    QColor warning() const { return hex(colors().warning); }
    QColor error() const { return hex(colors().error); }

    // "#"s trimmed at both ends; 8 digits are RRGGBBAA, anything else the low 24 bits as
    // RRGGBB with full alpha; text that does not scan as hex is black.
    static QColor hex(const QString& text);
    // The desktop palette's window colour is dark.
    static bool desktopPaletteIsDark();

private:
    const UserDefaults& m_defaults;
    std::function<bool()> m_desktopIsDark;
};
