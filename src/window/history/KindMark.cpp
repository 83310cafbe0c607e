#include "KindMark.h"

#include "ui/AsyncThumbnails.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

KindMark::KindMark(const Theme& theme, AsyncThumbnails& thumbnails, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_thumbnails(thumbnails) {
    setFixedSize(30, 30);
    connect(&m_thumbnails, &AsyncThumbnails::ready, this, [this](const QString& key) {
        if (key == m_key) {
            update();
        }
    });
}

QString KindMark::symbol(ClipboardKind kind) {
    switch (kind) {
    case ClipboardKind::Text:
        return QStringLiteral("textformat");
    case ClipboardKind::RichText:
        return QStringLiteral("textformat.alt");
    case ClipboardKind::Image:
        return QStringLiteral("photo");
    case ClipboardKind::Files:
        return QStringLiteral("doc.on.doc");
    case ClipboardKind::Empty:
        break;
    }
    return QStringLiteral("tray");
}

QString KindMark::shownPreview(const QString& preview, ClipboardKind kind) {
    const bool blank = std::all_of(preview.begin(), preview.end(),
                                   [](QChar c) { return c.isSpace() || !c.isPrint(); });
    return blank ? rawValue(kind) : preview;
}

void KindMark::setItem(const ClipboardItem& item, const QString& key) {
    m_item = item;
    const bool picture =
        item.kind == ClipboardKind::Image && item.imagePNG && item.imagePNG->size() > 0;
    m_key = picture ? key : QString();
    update();
}

void KindMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!m_key.isEmpty()) {
        const auto thumb = m_thumbnails.thumbnail(m_key, *m_item.imagePNG, 60);
        if (thumb.state == AsyncThumbnails::State::Ready) {
            QPainterPath clip;
            clip.addRoundedRect(QRectF(rect()), 8, 8);
            p.setClipPath(clip);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            const QSizeF shown =
                QSizeF(thumb.image.size())
                    .scaled(QSizeF(width(), height()), Qt::KeepAspectRatioByExpanding);
            p.drawImage(QRectF((width() - shown.width()) / 2, (height() - shown.height()) / 2,
                               shown.width(), shown.height()),
                        thumb.image);
            return;
        }
    }
    const QPixmap icon = Icons::pixmap(symbol(m_item.kind), QSize(16, 16), m_theme.secondaryLabel(),
                                       devicePixelRatioF());
    p.drawPixmap(QPointF(7, 7), icon);
}
