#include "ComponentPaint.h"

#include "Theme.h"

QLinearGradient ComponentPaint::actionGradient(const Theme& theme, const QRectF& rect) {
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0.0, withAlpha(theme.actionGlint(), 0.85));
    g.setColorAt(0.5, theme.actionTop());
    g.setColorAt(1.0, theme.accent());
    return g;
}

QColor ComponentPaint::withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(c.alphaF() * alpha));
    return c;
}
