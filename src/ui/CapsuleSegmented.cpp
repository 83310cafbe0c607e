#include "CapsuleSegmented.h"

#include "ComponentPaint.h"
#include "Icons.h"
#include "Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double outerPad = 3, spacing = 4, hPad = 14, vPad = 7, iconGap = 5, iconSize = 13;

QFont segmentFont() {
    QFont f;
    f.setPointSizeF(12);
    f.setWeight(QFont::Medium);
    return f;
}
} // namespace

CapsuleSegmented::CapsuleSegmented(const Theme& theme, QList<Option> options, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_options(std::move(options)) {
    if (!m_options.isEmpty()) {
        m_selection = m_options.first().value;
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CapsuleSegmented::setSelection(const QString& value) {
    if (value == m_selection) {
        return;
    }
    m_selection = value;
    update();
    Q_EMIT selectionChanged(value);
}

double CapsuleSegmented::segmentWidth(int i) const {
    const QFontMetricsF fm(segmentFont());
    const Option& o = m_options[i];
    return hPad * 2 + fm.horizontalAdvance(o.label) + (o.symbol.isEmpty() ? 0 : iconSize + iconGap);
}

QRectF CapsuleSegmented::segmentRect(int i) const {
    const QFontMetricsF fm(segmentFont());
    const double h = fm.height() + 2 * vPad;
    double x = outerPad;
    for (int k = 0; k < i; ++k) {
        x += segmentWidth(k) + spacing;
    }
    return QRectF(x, outerPad, segmentWidth(i), h);
}

QSize CapsuleSegmented::sizeHint() const {
    if (m_options.isEmpty()) {
        return {0, 0};
    }
    const QRectF last = segmentRect(static_cast<int>(m_options.size()) - 1);
    return QSize(static_cast<int>(std::ceil(last.right() + outerPad)),
                 static_cast<int>(std::ceil(last.bottom() + outerPad)));
}

void CapsuleSegmented::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer =
        QRectF(QPointF(0, 0), QSizeF(sizeHint())).adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath capsule;
    capsule.addRoundedRect(outer, outer.height() / 2, outer.height() / 2);
    p.fillPath(capsule, m_theme.surfaceRaise());
    p.strokePath(capsule, QPen(m_theme.stroke(), 0.5));
    p.setFont(segmentFont());
    for (int i = 0; i < m_options.size(); ++i) {
        const QRectF r = segmentRect(i);
        const bool selected = m_options[i].value == m_selection;
        if (selected) {
            QPainterPath seg;
            seg.addRoundedRect(r, r.height() / 2, r.height() / 2);
            p.fillPath(seg, ComponentPaint::actionGradient(m_theme, r));
        }
        const QColor fg = selected ? m_theme.actionForeground() : m_theme.label();
        double x = r.left() + hPad;
        if (!m_options[i].symbol.isEmpty()) {
            p.drawPixmap(QPointF(x, r.center().y() - iconSize / 2),
                         Icons::pixmap(m_options[i].symbol, QSize(iconSize, iconSize), fg,
                                       devicePixelRatioF()));
            x += iconSize + iconGap;
        }
        p.setPen(fg);
        p.drawText(QRectF(x, r.top(), r.right() - x, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   m_options[i].label);
    }
}

void CapsuleSegmented::mouseReleaseEvent(QMouseEvent* event) {
    for (int i = 0; i < m_options.size(); ++i) {
        if (segmentRect(i).contains(event->position())) {
            setSelection(m_options[i].value);
            return;
        }
    }
}
