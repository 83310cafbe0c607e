#include "ClipboardThumbnail.h"

#include "Icons.h"
#include "Theme.h"
#include "clipboard/Thumbnailer.h"

#include <QPainter>
#include <QPainterPath>

ClipboardThumbnail::ClipboardThumbnail(const Theme& theme, Thumbnailer& thumbnails, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_thumbnails(thumbnails) {}

void ClipboardThumbnail::setData(const QByteArray& data) {
    m_data = data;
    update();
}

void ClipboardThumbnail::setContentMode(ContentMode mode) {
    m_mode = mode;
    update();
}

void ClipboardThumbnail::setCorner(double radius) {
    m_corner = radius;
    update();
}

void ClipboardThumbnail::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p, QRectF(rect()), m_data, m_mode, m_corner, m_theme, m_thumbnails);
}

void ClipboardThumbnail::paint(QPainter& painter, const QRectF& frame, const QByteArray& data,
                               ContentMode mode, double corner, const Theme& theme,
                               Thumbnailer& thumbnails) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(frame, corner, corner);
    painter.setClipPath(clip);
    const auto picture = thumbnails.thumbnail(data);
    if (!picture || picture->isNull()) {
        painter.fillRect(frame, theme.surface());
        const double s = std::min(frame.width(), frame.height()) * 0.5;
        const QPixmap icon = Icons::pixmap(QStringLiteral("photo"), QSize(qRound(s), qRound(s)),
                                           theme.secondaryLabel());
        painter.drawPixmap(QPointF(frame.center().x() - s / 2, frame.center().y() - s / 2), icon);
        painter.restore();
        return;
    }
    const QSizeF size =
        QSizeF(picture->size())
            .scaled(frame.size(), mode == ContentMode::Fill ? Qt::KeepAspectRatioByExpanding
                                                            : Qt::KeepAspectRatio);
    const QRectF target(frame.center().x() - size.width() / 2,
                        frame.center().y() - size.height() / 2, size.width(), size.height());
    painter.drawImage(target, *picture);
    painter.restore();
}
