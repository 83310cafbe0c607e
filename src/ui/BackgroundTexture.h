#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>

class QPainter;

// The window's fine noise: 800 white 1 x 1 dots at low opacity, placed by a fixed xorshift
// sequence, so the same dots appear on every redraw of a window of the same size.
class BackgroundTexture {
public:
    struct Dot {
        QPointF position;
        double opacity;
    };
    static QList<Dot> dots(QSizeF size);
    // Draws the dots with the overlay blend mode.
    static void paint(QPainter& painter, QSizeF size);
};
