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
};
