#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QRectF>

class Theme;

// Small drawing pieces the components share.
class ComponentPaint {
public:
    // The action gradient, top to bottom: actionGlint at 0.85, actionTop, accent.
    static QLinearGradient actionGradient(const Theme& theme, const QRectF& rect);
    static QColor withAlpha(QColor c, double alpha);
};
