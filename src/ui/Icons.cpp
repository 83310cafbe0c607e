#include "Icons.h"

#include <QFile>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// The icons live in this static library's resources, which must be registered by hand.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {
QString pathOf(const QString& name) {
    static const bool registered = [] {
        registerIconResources();
        return true;
    }();
    (void)registered;
    return QStringLiteral(":/icons/%1.svg").arg(name);
}
} // namespace

bool Icons::exists(const QString& name) {
    return QFile::exists(pathOf(name));
}

QPixmap Icons::pixmap(const QString& name, QSize size, const QColor& color,
                      qreal devicePixelRatio) {
    // Views draw their icons on every paint: each rendering is kept in Qt's pixmap cache.
    const QString key = QStringLiteral("stashwick-icon:%1:%2x%3:%4:%5")
                            .arg(name)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(color.rgba(), 8, 16)
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) {
        return cached;
    }
    QSvgRenderer renderer(pathOf(name));
    if (!renderer.isValid() || size.isEmpty()) {
        return {};
    }
    QPixmap pm(size * devicePixelRatio);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), color);
    p.end();
    QPixmapCache::insert(key, pm);
    return pm;
}

QIcon Icons::icon(const QString& name, const QColor& color) {
    QIcon icon;
    for (int s : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(pixmap(name, QSize(s, s), color));
    }
    return icon;
}
