#include "Pill.h"

#include "ComponentPaint.h"
#include "Icons.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double hPad = 8, vPad = 3, spacing = 4, iconSize = 10;
QFont pillFont() {
    QFont f;
    f.setPointSizeF(10);
    f.setWeight(QFont::DemiBold);
    return f;
}
} // namespace

Pill::Pill(QString text, QString systemImage, QColor tint, QWidget* parent)
    : QWidget(parent), m_text(std::move(text)), m_symbol(std::move(systemImage)), m_tint(tint) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Pill::setText(const QString& text) {
    m_text = text;
    updateGeometry();
    update();
}

QSize Pill::sizeHint() const {
    const QFontMetricsF fm(pillFont());
    const double w =
        2 * hPad + fm.horizontalAdvance(m_text) + (m_symbol.isEmpty() ? 0 : iconSize + spacing);
    return QSize(static_cast<int>(std::ceil(w)),
                 static_cast<int>(std::ceil(fm.height() + 2 * vPad)));
}

void Pill::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(sizeHint()));
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, ComponentPaint::withAlpha(m_tint, 0.18));
    double x = hPad;
    if (!m_symbol.isEmpty()) {
        p.drawPixmap(
            QPointF(x, r.center().y() - iconSize / 2),
            Icons::pixmap(m_symbol, QSize(iconSize, iconSize), m_tint, devicePixelRatioF()));
        x += iconSize + spacing;
    }
    p.setFont(pillFont());
    p.setPen(m_tint);
    p.drawText(QRectF(x, 0, r.width() - x, r.height()), Qt::AlignVCenter | Qt::AlignLeft, m_text);
}
