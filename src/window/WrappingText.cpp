#include "WrappingText.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

namespace {
// The widest a line is asked to be before wrapping: about what one reads comfortably.
constexpr int preferredColumns = 80;
} // namespace

WrappingText::WrappingText(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void WrappingText::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    updateGeometry();
    update();
}

int WrappingText::layOut(QTextLayout& layout, int width) const {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setText(m_text);
    layout.setFont(font());
    layout.setTextOption(option);
    const qreal leading = fontMetrics().leading();
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1));
        line.setPosition(QPointF(0, y));
        y += line.height() + leading;
    }
    layout.endLayout();
    return std::max(static_cast<int>(std::ceil(y - leading)), fontMetrics().height());
}

int WrappingText::heightForWidth(int width) const {
    QTextLayout layout;
    return layOut(layout, width);
}

QSize WrappingText::sizeHint() const {
    const int natural = fontMetrics().horizontalAdvance(m_text) + 1;
    const int width = std::min(natural, fontMetrics().averageCharWidth() * preferredColumns);
    return {width, heightForWidth(width)};
}

QSize WrappingText::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 4, fontMetrics().height()};
}

void WrappingText::paintEvent(QPaintEvent*) {
    QTextLayout layout;
    layOut(layout, width());
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    layout.draw(&p, QPointF(0, 0));
}

void WrappingText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}
