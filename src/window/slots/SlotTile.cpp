#include "SlotTile.h"

#include "core/Clock.h"
#include "store/RelativeTime.h"
#include "store/SlotStore.h"
#include "ui/AsyncThumbnails.h"
#include "ui/ComponentPaint.h"
#include "ui/IconChipButton.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "window/ButtonMenu.h"
#include "window/TextLines.h"
#include "window/WindowFonts.h"
#include "window/history/KindMark.h"

#include <QApplication>
#include <QDrag>
#include <QEnterEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

bool showsImage(const std::optional<ClipboardItem>& item) {
    return item && item->kind == ClipboardKind::Image && item->imagePNG &&
           item->imagePNG->size() > 0;
}

} // namespace

SlotTile::SlotTile(int index, const Theme& theme, AsyncThumbnails& thumbnails, const Clock& clock,
                   QWidget* parent)
    : QAbstractButton(parent), m_index(index), m_theme(theme), m_thumbnails(thumbnails),
      m_clock(clock),
      m_actions(new IconChipButton(theme, QStringLiteral("ellipsis"),
                                   QStringLiteral("Slot actions"), theme.accentText(), this)) {
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setMinimumSize(10, height);
    setMaximumHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (onTap) {
            onTap();
        }
    });
    // Return and Enter copy a focused tile, like Space.
    auto* activate = new QAction(this);
    activate->setShortcuts({Qt::Key_Return, Qt::Key_Enter});
    activate->setShortcutContext(Qt::WidgetShortcut);
    addAction(activate);
    connect(activate, &QAction::triggered, this, &QAbstractButton::click);
    connect(m_actions, &QAbstractButton::clicked, this, [this] { openActionsMenu(); });
    connect(&m_thumbnails, &AsyncThumbnails::ready, this, [this](const QString& key) {
        if (key == thumbnailKey()) {
            update();
        }
    });
    setContent(std::nullopt, false);
}

void SlotTile::setContent(std::optional<ClipboardItem> item, bool pinned) {
    m_item = std::move(item);
    m_pinned = pinned;
    // An open menu stays open and keeps working through changes of the store; it only follows
    // the pin, and closes when the slot has nothing left to act on.
    if (m_menu && !m_item) {
        m_menu->hide();
    } else if (m_pin) {
        showPinned(*m_pin);
    }
    m_actions->setVisible(m_item.has_value());
    const QString what = !m_item                       ? QStringLiteral("empty")
                         : showsImage(m_item)          ? QStringLiteral("image")
                         : m_item->preview().isEmpty() ? rawValue(m_item->kind)
                                                       : m_item->preview().left(120);
    setAccessibleName(QStringLiteral("Slot %1: %2%3")
                          .arg(m_index)
                          .arg(what, m_pinned ? QStringLiteral(", pinned") : QString()));
    update();
}

QString SlotTile::thumbnailKey() const {
    if (!showsImage(m_item)) {
        return {};
    }
    // The capture time and size name the image of a slot well enough for a thumbnail.
    return QStringLiteral("slot:%1:%2")
        .arg(m_item->createdAt.secondsSinceReference(), 0, 'g', 17)
        .arg(m_item->imagePNG->size());
}

QMenu* SlotTile::openActionsMenu() {
    if (!m_item) {
        return nullptr;
    }
    if (!m_menu || !m_menu->isVisible()) {
        m_menu = ButtonMenu::open(m_actions, this, [this](QMenu& menu) { fillActions(menu); });
    }
    return m_menu;
}

QMenu* SlotTile::actionsMenu() const {
    return m_menu;
}

void SlotTile::fillActions(QMenu& menu) {
    if (onTransform) {
        QMenu* copyAs = menu.addMenu(QStringLiteral("Copy as"));
        for (PasteTransform t : PasteTransforms::all) {
            copyAs->addAction(PasteTransforms::title(t), this, [this, t] { onTransform(t); });
        }
    }
    if (onMove) {
        QMenu* move = menu.addMenu(QStringLiteral("Move to slot"));
        for (int n : SlotStore::slotOrder) {
            if (n != m_index) {
                move->addAction(QStringLiteral("Slot %1").arg(n), this, [this, n] { onMove(n); });
            }
        }
    }
    if (onPin) {
        m_pin = menu.addAction(QString(), this, [this] { onPin(); });
        showPinned(*m_pin);
    }
    if (onDelete) {
        menu.addAction(QStringLiteral("Delete slot content"), this, [this] { onDelete(); });
    }
}

void SlotTile::showPinned(QAction& pin) const {
    pin.setIcon(Icons::icon(m_pinned ? QStringLiteral("pin.slash") : QStringLiteral("pin"),
                            m_theme.label()));
    pin.setText(m_pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"));
}

std::pair<QColor, double> SlotTile::border() const {
    if (m_pinned) {
        return {ComponentPaint::withAlpha(m_theme.accent(), 0.55), 1.0};
    }
    return {m_hover ? m_theme.strokeStrong() : m_theme.stroke(), 0.5};
}

QString SlotTile::relativeTime() const {
    if (!m_item || m_item->kind == ClipboardKind::Empty) {
        return {};
    }
    return RelativeTime::string(m_item->createdAt, m_clock.now());
}

void SlotTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath shape;
    shape.addRoundedRect(frame, 14, 14);
    p.fillPath(shape, m_theme.surface());
    if (showsImage(m_item)) {
        p.save();
        p.setClipPath(shape);
        paintImage(p, frame);
        p.restore();
    } else {
        paintInline(p, frame);
    }
    const auto [color, width] = border();
    p.strokePath(shape, QPen(hasFocus() ? m_theme.accent() : color, hasFocus() ? 2 : width));
}

void SlotTile::paintBadge(QPainter& p, QPointF at) const {
    const QRectF circle(at, QSizeF(24, 24));
    QPainterPath path;
    path.addEllipse(circle);
    if (m_item) {
        p.fillPath(path, ComponentPaint::actionGradient(m_theme, circle));
        p.setPen(m_theme.actionForeground());
    } else {
        p.fillPath(path, m_theme.surfaceRaise());
        p.setPen(m_theme.tertiaryLabel());
    }
    QFont f;
    f.setPointSizeF(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(circle, Qt::AlignCenter, QString::number(m_index));
}

QRectF SlotTile::previewArea() const {
    // Under the header row (badge and kind), above the footer (pin and age).
    const QRectF inner = QRectF(rect()).adjusted(13, 13, -13, -13);
    return {inner.left(), inner.top() + 32, inner.width(), inner.height() - 32 - 16};
}

QFont SlotTile::previewFont() {
    return WindowFonts::caption();
}

TextLines SlotTile::previewText() const {
    // At most four whole lines, as many as the tile has room for; the last one cut short.
    const QRectF area = previewArea();
    const int room = static_cast<int>(area.height()) / QFontMetrics(previewFont()).lineSpacing();
    const QString text = m_item ? m_item->preview().left(previewChars) : QString();
    return TextLines(text, previewFont(), static_cast<int>(area.width()), std::clamp(room, 1, 4));
}

QStringList SlotTile::previewLines() const {
    const bool text =
        m_item && (m_item->kind == ClipboardKind::Text || m_item->kind == ClipboardKind::RichText);
    return text && !showsImage(m_item) ? previewText().lines() : QStringList();
}

void SlotTile::paintInline(QPainter& p, const QRectF& frame) {
    const QRectF inner = frame.adjusted(12, 12, -12, -12);
    paintBadge(p, inner.topLeft());
    if (m_item) {
        const QPixmap kind = Icons::pixmap(KindMark::symbol(m_item->kind), QSize(12, 12),
                                           m_theme.secondaryLabel(), devicePixelRatioF());
        p.drawPixmap(QPointF(inner.left() + 30, inner.top() + 6), kind);
    }
    const QRectF body = previewArea();
    p.setFont(previewFont());
    if (!m_item || m_item->kind == ClipboardKind::Empty) {
        p.setPen(m_theme.tertiaryLabel());
        p.drawText(body, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Empty"));
    } else if (m_item->kind == ClipboardKind::Files) {
        p.setPen(m_theme.label());
        const QFontMetricsF fm(p.font());
        double y = body.top();
        for (const QString& path : m_item->files.mid(0, 3)) {
            p.drawPixmap(QPointF(body.left(), y + 1),
                         Icons::pixmap(QStringLiteral("doc"), QSize(10, 10), m_theme.label(),
                                       devicePixelRatioF()));
            const QString name =
                fm.elidedText(QFileInfo(path).fileName(), Qt::ElideRight, body.width() - 14);
            p.drawText(QRectF(body.left() + 14, y, body.width() - 14, fm.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, name);
            y += fm.height() + 2;
        }
    } else if (m_item->kind == ClipboardKind::Image) {
        p.setPen(m_theme.tertiaryLabel());
        p.drawText(body, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Image"));
    } else {
        p.setPen(m_theme.label());
        previewText().draw(p, body.topLeft());
    }
    // Footer: pin and age.
    double x = inner.left();
    const double footerY = inner.bottom() - 12;
    if (m_pinned) {
        p.drawPixmap(QPointF(x, footerY), Icons::pixmap(QStringLiteral("pin.fill"), QSize(10, 10),
                                                        m_theme.accentText(), devicePixelRatioF()));
        x += 14;
    }
    if (const QString age = relativeTime(); !age.isEmpty()) {
        p.setFont(WindowFonts::caption2());
        p.setPen(m_theme.tertiaryLabel());
        p.drawText(QRectF(x, footerY - 2, inner.right() - x, 14), Qt::AlignLeft | Qt::AlignVCenter,
                   age);
    }
}

void SlotTile::paintImage(QPainter& p, const QRectF& frame) {
    const auto picture = m_thumbnails.thumbnail(thumbnailKey(), *m_item->imagePNG, 320);
    if (picture.state == AsyncThumbnails::State::Ready) {
        const QSizeF size =
            QSizeF(picture.image.size()).scaled(frame.size(), Qt::KeepAspectRatioByExpanding);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(frame.center().x() - size.width() / 2,
                           frame.center().y() - size.height() / 2, size.width(), size.height()),
                    picture.image);
    } else {
        // While the picture is made (or when it cannot be): the image symbol on the surface.
        p.drawPixmap(QPointF(frame.center().x() - 14, frame.center().y() - 14),
                     Icons::pixmap(QStringLiteral("photo"), QSize(28, 28), m_theme.tertiaryLabel(),
                                   devicePixelRatioF()));
    }
    QLinearGradient top(frame.topLeft(), QPointF(frame.left(), frame.top() + 46));
    top.setColorAt(0, QColor(0, 0, 0, 97));
    top.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(frame.left(), frame.top(), frame.width(), 46), top);
    QLinearGradient bottom(QPointF(frame.left(), frame.bottom() - 34), frame.bottomLeft());
    bottom.setColorAt(0, QColor(0, 0, 0, 0));
    bottom.setColorAt(1, QColor(0, 0, 0, 97));
    p.fillRect(QRectF(frame.left(), frame.bottom() - 34, frame.width(), 34), bottom);

    const QRectF inner = frame.adjusted(12, 12, -12, -12);
    paintBadge(p, inner.topLeft());
    if (m_pinned) {
        p.drawPixmap(QPointF(inner.right() - 10 - 38, inner.top() + 7),
                     Icons::pixmap(QStringLiteral("pin.fill"), QSize(10, 10),
                                   QColor(255, 255, 255, 242), devicePixelRatioF()));
    }
    if (const QString age = relativeTime(); !age.isEmpty()) {
        p.setFont(WindowFonts::caption2());
        p.setPen(QColor(255, 255, 255, 230));
        p.drawText(QRectF(inner.left(), inner.bottom() - 14, inner.width(), 14),
                   Qt::AlignLeft | Qt::AlignVCenter, age);
    }
}

void SlotTile::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SlotTile::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SlotTile::resizeEvent(QResizeEvent* event) {
    m_actions->move(width() - m_actions->width() - 10, 10);
    QAbstractButton::resizeEvent(event);
}

void SlotTile::mousePressEvent(QMouseEvent* event) {
    m_pressAt = event->position().toPoint();
    QAbstractButton::mousePressEvent(event);
}

void SlotTile::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !m_item ||
        (event->position().toPoint() - m_pressAt).manhattanLength() <
            QApplication::startDragDistance()) {
        QAbstractButton::mouseMoveEvent(event);
        return;
    }
    setDown(false); // a drag is no click
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setText(QString::number(m_index));
    drag->setMimeData(mime);
    drag->setPixmap(grab().scaledToWidth(std::min(width(), 120), Qt::SmoothTransformation));
    drag->exec(Qt::MoveAction);
}

void SlotTile::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasText()) {
        event->acceptProposedAction();
    }
}

void SlotTile::dropEvent(QDropEvent* event) {
    if (onDrop && event->mimeData()->hasText() && onDrop(event->mimeData()->text())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}
