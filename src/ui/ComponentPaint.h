#pragma once

#include <QBrush>
#include <QColor>
#include <QLinearGradient>
#include <QPen>
#include <QRectF>

class QPainter;
class Theme;

// Small drawing pieces the components share.
class ComponentPaint {
public:
    // The action gradient, top to bottom: actionGlint at 0.85, actionTop, accent.
    static QLinearGradient actionGradient(const Theme& theme, const QRectF& rect);
    static QColor withAlpha(QColor c, double alpha);
    // A rounded panel filling `bounds`, its edge drawn just inside them (inset by half the
    // pen's width, so no part of the stroke is clipped).
    static void outlinedPanel(QPainter& p, const QRectF& bounds, qreal radius, const QBrush& fill,
                              const QPen& edge);
    // The banners' panel: the warning colour, faint, with a slightly stronger edge.
    static void warningPanel(QPainter& p, const Theme& theme, const QRectF& bounds);
    // The keyboard focus indicator, drawn inside `bounds`: a 2-wide ring in the accent text
    // colour with a 1.5-wide band of the raised surface inside it, so it stands apart from
    // the surfaces and from the action gradient in every palette, light and dark.
    static void focusRing(QPainter& p, const Theme& theme, const QRectF& bounds, qreal radius);
};
