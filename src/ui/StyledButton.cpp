#include "StyledButton.h"

#include "ButtonKeys.h"
#include "ComponentPaint.h"
#include "Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

StyledButton::StyledButton(const Theme& theme, Kind kind, const QString& text, QWidget* parent)
    : QAbstractButton(parent), m_theme(theme), m_kind(kind) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QFont StyledButton::labelFont() const {
    QFont f;
    f.setPointSizeF(12);
    f.setWeight(m_kind == Kind::Action ? QFont::DemiBold : QFont::Medium);
    return f;
}

QSize StyledButton::sizeHint() const {
    const QFontMetricsF fm(labelFont());
    const double h = m_kind == Kind::Action ? 16 : 14;
    return QSize(static_cast<int>(std::ceil(fm.horizontalAdvance(text()) + 2 * h)),
                 static_cast<int>(std::ceil(fm.height() + 16)));
}

double StyledButton::paintOpacity() const {
    if (!isEnabled()) {
        return 0.4;
    }
    if (isDown()) {
        return m_kind == Kind::Action ? 0.82 : 0.7;
    }
    return 1.0;
}

void StyledButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    const QRectF r = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    if (m_kind == Kind::Action) {
        p.fillPath(capsule, ComponentPaint::actionGradient(m_theme, r));
        p.setPen(m_theme.actionForeground());
    } else {
        p.fillPath(capsule, m_theme.surfaceRaise());
        p.strokePath(capsule, QPen(m_theme.stroke(), 0.5));
        p.setPen(m_theme.label());
    }
    p.setFont(labelFont());
    p.drawText(r, Qt::AlignCenter, text());
    if (hasFocus()) {
        ComponentPaint::focusRing(p, m_theme, rect(), rect().height() / 2.0);
    }
}

void StyledButton::keyPressEvent(QKeyEvent* event) {
    if (ButtonKeys::activates(event)) {
        click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
