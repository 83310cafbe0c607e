#pragma once

#include <QColor>
#include <QFont>
#include <QString>

struct HotkeyConflict;
class QLabel;
class Theme;
class QScrollArea;
class QWidget;

// Small pieces every tab builds the same way.
class WindowParts {
public:
    // Plain text in a font and colour.
    static QLabel* label(const QString& text, const QFont& font, const QColor& color,
                         QWidget* parent);
    // One configuration warning: a warning sign and "<chord> overlaps <what>", named so.
    static QWidget* conflictLine(const Theme& theme, const HotkeyConflict& conflict,
                                 QWidget* parent);
    // A frameless vertical scroll area that lets the window's background show through.
    static void makeTransparent(QScrollArea* scroll);
};
