#pragma once

#include <QPalette>

class QWidget;
class Theme;

// A QPalette in the theme's colours, so that Qt's own widgets, menus and dialogs inside the
// window follow the palette and the forced appearance too.
class ThemedPalette {
public:
    static QPalette make(const Theme& theme);
    // Sets it on `widget` (and so on its children).
    static void apply(QWidget* widget, const Theme& theme);
    // For the whole program (menus, dialogs, the tray's menu) while an appearance is forced;
    // with "System" the desktop's own palette again.
    static void applyToApplication(const Theme& theme, bool forced);
};
