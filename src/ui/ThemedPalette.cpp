#include "ThemedPalette.h"

#include "Theme.h"

#include <QApplication>
#include <QWidget>

QPalette ThemedPalette::make(const Theme& theme) {
    QPalette p;
    p.setColor(QPalette::Window, theme.window());
    p.setColor(QPalette::WindowText, theme.label());
    p.setColor(QPalette::Base, theme.surfaceRaise());
    p.setColor(QPalette::AlternateBase, theme.surface());
    p.setColor(QPalette::Text, theme.label());
    p.setColor(QPalette::PlaceholderText, theme.tertiaryLabel());
    p.setColor(QPalette::Button, theme.surfaceRaise());
    p.setColor(QPalette::ButtonText, theme.label());
    p.setColor(QPalette::Highlight, theme.accent());
    p.setColor(QPalette::HighlightedText, theme.actionForeground());
    p.setColor(QPalette::ToolTipBase, theme.surfaceRaise());
    p.setColor(QPalette::ToolTipText, theme.label());
    p.setColor(QPalette::Link, theme.accentText());
    p.setColor(QPalette::Disabled, QPalette::Text, theme.tertiaryLabel());
    p.setColor(QPalette::Disabled, QPalette::WindowText, theme.tertiaryLabel());
    p.setColor(QPalette::Disabled, QPalette::ButtonText, theme.tertiaryLabel());
    return p;
}

void ThemedPalette::apply(QWidget* widget, const Theme& theme) {
    widget->setPalette(make(theme));
}

void ThemedPalette::applyToApplication(const Theme& theme, bool forced) {
    // A default palette resolves nothing, which hands the palette back to the desktop.
    QApplication::setPalette(forced ? make(theme) : QPalette());
}
