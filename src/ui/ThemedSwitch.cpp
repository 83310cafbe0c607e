#include "ThemedSwitch.h"

#include "ButtonKeys.h"
#include "ComponentPaint.h"
#include "Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {
constexpr double trackW = 42, trackH = 25, inset = 2;
constexpr double ringRoom = 4; // around the track, for the focus ring
} // namespace

ThemedSwitch::ThemedSwitch(const Theme& theme, const QString& label, QWidget* parent)
    : QAbstractButton(parent), m_theme(theme), m_animation(new QVariantAnimation(this)) {
    setText(label);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    m_animation->setDuration(180);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_position = v.toDouble();
        update();
    });
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        setAccessibleDescription(on ? QStringLiteral("On") : QStringLiteral("Off"));
        m_animation->stop();
        m_animation->setStartValue(m_position);
        m_animation->setEndValue(on ? 1.0 : 0.0);
        if (isVisible()) {
            m_animation->start();
        } else {
            m_position = on ? 1.0 : 0.0;
        }
    });
    setAccessibleDescription(QStringLiteral("Off"));
}

QSize ThemedSwitch::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 16 + static_cast<int>(trackW + ringRoom),
                 std::max(fm.height(), static_cast<int>(trackH + 2 * ringRoom)));
}

QRectF ThemedSwitch::trackRect() const {
    return QRectF(width() - trackW - ringRoom, (height() - trackH) / 2, trackW, trackH);
}

void ThemedSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(m_theme.label());
    p.drawText(QRectF(0, 0, width() - trackW - ringRoom - 8, height()),
               Qt::AlignVCenter | Qt::AlignLeft, text());
    const QRectF track = trackRect();
    QPainterPath capsule;
    capsule.addRoundedRect(track, trackH / 2, trackH / 2);
    if (isChecked()) {
        p.fillPath(capsule, ComponentPaint::actionGradient(m_theme, track));
    } else {
        p.fillPath(capsule, m_theme.strokeStrong());
    }
    p.strokePath(capsule, QPen(m_theme.stroke(), 0.5));
    const double d = trackH - 2 * inset;
    const double x = track.left() + inset + m_position * (trackW - 2 * inset - d);
    const QRectF knob(x, track.top() + inset, d, d);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, 0.18f));
    p.drawEllipse(knob.translated(0, 0.5).adjusted(-0.75, -0.75, 0.75, 0.75));
    p.setBrush(Qt::white);
    p.drawEllipse(knob);
    if (hasFocus()) {
        const QRectF ring = track.adjusted(-ringRoom, -ringRoom, ringRoom, ringRoom);
        ComponentPaint::focusRing(p, m_theme, ring, ring.height() / 2);
    }
}

void ThemedSwitch::keyPressEvent(QKeyEvent* event) {
    if (ButtonKeys::activates(event)) {
        click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
