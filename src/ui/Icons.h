#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Our own icon set, one SVG per symbol name ("doc.on.clipboard", "pin.fill", ...), drawn in
// black and tinted at render time, so icons show without any desktop icon theme.
class Icons {
public:
    static bool exists(const QString& name);
    // The symbol rendered at `size` device-independent pixels in `color`; a null pixmap for an
    // unknown name.
    static QPixmap pixmap(const QString& name, QSize size, const QColor& color,
                          qreal devicePixelRatio = 1.0);
    static QIcon icon(const QString& name, const QColor& color);
};
