#include "GlassSurface.h"

#include "Theme.h"

#include <QPainter>

std::optional<QColor> GlassSurface::effectiveTint(const Theme& theme, const Style& style) {
    if (style.tint) {
        return style.tint;
    }
    if (style.prominence == GlassProminence::Prominent) {
        QColor c = theme.accent();
        c.setAlphaF(0.18f);
        return c;
    }
    return std::nullopt;
}

void GlassSurface::paint(QPainter& painter, const QPainterPath& shape, const Theme& theme,
                         const Style& style) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor base = theme.surface();
    if (!style.translucent) {
        painter.fillPath(shape, base);
        painter.restore();
        return;
    }
    base.setAlphaF(static_cast<float>(materialOpacity));
    painter.fillPath(shape, base);
    if (const auto tint = effectiveTint(theme, style)) {
        painter.fillPath(shape, *tint);
    }
    painter.restore();
}
