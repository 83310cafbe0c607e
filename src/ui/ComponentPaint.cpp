#include "ComponentPaint.h"

#include "Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

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

void ComponentPaint::outlinedPanel(QPainter& p, const QRectF& bounds, qreal radius,
                                   const QBrush& fill, const QPen& edge) {
    const qreal inset = edge.widthF() / 2;
    QPainterPath shape;
    shape.addRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), radius, radius);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(shape, fill);
    p.strokePath(shape, edge);
}

void ComponentPaint::warningPanel(QPainter& p, const Theme& theme, const QRectF& bounds) {
    outlinedPanel(p, bounds, 10, withAlpha(theme.warning(), 0.12),
                  QPen(withAlpha(theme.warning(), 0.28), 1));
}

void ComponentPaint::focusRing(QPainter& p, const Theme& theme, const QRectF& bounds,
                               qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(1.0);
    p.setBrush(Qt::NoBrush);
    const auto ring = [&](qreal inset, qreal width, const QColor& colour) {
        const QRectF r = bounds.adjusted(inset, inset, -inset, -inset);
        const qreal rr = std::max<qreal>(0, radius - inset);
        p.setPen(QPen(colour, width));
        p.drawRoundedRect(r, rr, rr);
    };
    ring(1.0, 2.0, theme.accentText());
    ring(2.75, 1.5, theme.surfaceRaise());
    p.restore();
}
