#include "IconChipButton.h"

#include "ButtonKeys.h"
#include "ComponentPaint.h"
#include "Icons.h"
#include "Theme.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

IconChipButton::IconChipButton(const Theme& theme, QString systemImage, const QString& help,
                               QColor tint, QWidget* parent)
    : QAbstractButton(parent), m_theme(theme), m_symbol(std::move(systemImage)), m_tint(tint),
      m_animation(new QVariantAnimation(this)) {
    setToolTip(help);
    setAccessibleName(help); // screen readers read the tooltip's words as the button's name
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(28, 24);
    setCursor(Qt::PointingHandCursor);
    m_animation->setDuration(120);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_scale = v.toDouble();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, [this] { animateTo(0.9); });
    connect(this, &QAbstractButton::released, this, [this] { animateTo(1.0); });
}

void IconChipButton::animateTo(double scale) {
    m_animation->stop();
    m_animation->setStartValue(m_scale);
    m_animation->setEndValue(scale);
    m_animation->start();
}

void IconChipButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void IconChipButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void IconChipButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        p.setOpacity(0.55);
    }
    const QRectF r = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    p.translate(r.center());
    p.scale(m_scale, m_scale);
    p.translate(-r.center());
    QPainterPath shape;
    shape.addRoundedRect(r, 8, 8);
    p.fillPath(shape, m_theme.surfaceRaise());
    if (isDown()) {
        p.fillPath(shape, ComponentPaint::withAlpha(m_tint, 0.2));
    } else if (m_hover) {
        p.fillPath(shape, ComponentPaint::withAlpha(m_tint, 0.08));
    }
    if (m_hover && !hasFocus()) {
        p.strokePath(shape, QPen(m_theme.strokeStrong(), 0.5));
    }
    const QColor color = isEnabled() ? m_tint : m_theme.tertiaryLabel();
    const QPixmap icon = Icons::pixmap(m_symbol, QSize(13, 13), color, devicePixelRatioF());
    p.drawPixmap(QPointF(r.center().x() - 6.5, r.center().y() - 6.5), icon);
    if (hasFocus()) {
        ComponentPaint::focusRing(p, m_theme, r, 8);
    }
}

void IconChipButton::keyPressEvent(QKeyEvent* event) {
    if (ButtonKeys::activates(event)) {
        click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
