#include "CapsuleSegmented.h"

#include "CapsuleSegmentedAccessible.h"
#include "ComponentPaint.h"
#include "Icons.h"
#include "Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

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
    CapsuleSegmentedAccessible::install();
    if (!m_options.isEmpty()) {
        m_selection = m_options.first().value;
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

int CapsuleSegmented::selectedIndex() const {
    for (int i = 0; i < m_options.size(); ++i) {
        if (m_options[i].value == m_selection) {
            return i;
        }
    }
    return -1;
}

void CapsuleSegmented::setSelection(const QString& value) {
    if (value == m_selection) {
        return;
    }
    const int before = selectedIndex();
    m_selection = value;
    if (selectedIndex() >= 0) {
        // The keyboard goes on from the selection, also one made elsewhere (a command, a
        // shortcut) while the control has the focus.
        m_current = selectedIndex();
    }
    update();
    CapsuleSegmentedAccessible::notifySelection(this, before);
    CapsuleSegmentedAccessible::notifySelection(this, selectedIndex());
    Q_EMIT selectionChanged(value);
}

void CapsuleSegmented::setCurrentIndex(int index) {
    if (m_options.isEmpty()) {
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(m_options.size()) - 1);
    if (index == m_current) {
        return;
    }
    m_current = index;
    update();
    CapsuleSegmentedAccessible::notifyFocus(this, m_current);
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
    if (hasFocus() && m_current < m_options.size()) {
        const QRectF r = segmentRect(m_current).adjusted(-2, -2, 2, 2);
        ComponentPaint::focusRing(p, m_theme, r, r.height() / 2);
    }
}

void CapsuleSegmented::mouseReleaseEvent(QMouseEvent* event) {
    for (int i = 0; i < m_options.size(); ++i) {
        if (segmentRect(i).contains(event->position())) {
            setCurrentIndex(i);
            setSelection(m_options[i].value);
            return;
        }
    }
}

void CapsuleSegmented::keyPressEvent(QKeyEvent* event) {
    const int count = static_cast<int>(m_options.size());
    if (count == 0 || event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QWidget::keyPressEvent(event); // window shortcuts with Control and Alt pass through
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        setCurrentIndex((m_current + count - 1) % count);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        setCurrentIndex((m_current + 1) % count);
        break;
    case Qt::Key_Home:
        setCurrentIndex(0);
        break;
    case Qt::Key_End:
        setCurrentIndex(count - 1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        if (!event->isAutoRepeat()) {
            setSelection(m_options[m_current].value);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CapsuleSegmented::focusInEvent(QFocusEvent* event) {
    if (selectedIndex() >= 0) {
        m_current = selectedIndex();
    }
    update();
    QWidget::focusInEvent(event);
    CapsuleSegmentedAccessible::notifyFocus(this, m_current);
}

void CapsuleSegmented::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}
