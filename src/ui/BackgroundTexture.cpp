#include "BackgroundTexture.h"

#include <QPainter>
#include <cstdint>

QList<BackgroundTexture::Dot> BackgroundTexture::dots(QSizeF size) {
    QList<Dot> out;
    out.reserve(800);
    std::uint64_t s = 0x9E3779B9ULL;
    auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<double>(s % 10000) / 10000.0;
    };
    for (int i = 0; i < 800; ++i) {
        const double x = size.width() * next();
        const double y = size.height() * next();
        const double opacity = 0.02 + 0.02 * next();
        out.append(Dot{QPointF(x, y), opacity});
    }
    return out;
}

void BackgroundTexture::paint(QPainter& painter, QSizeF size) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Overlay);
    for (const Dot& d : dots(size)) {
        painter.fillRect(QRectF(d.position, QSizeF(1, 1)), QColor::fromRgbF(1, 1, 1, d.opacity));
    }
    painter.restore();
}
