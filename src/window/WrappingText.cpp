#include "WrappingText.h"

#include <QEvent>
#include <QPainter>

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
    forgetLines();
    updateGeometry();
    update();
}

void WrappingText::setMaximumLines(int lines) {
    m_maxLines = std::max(lines, 0);
    forgetLines();
    updateGeometry();
    update();
}

QStringList WrappingText::shownLines() const {
    return linesAt(width()).lines();
}

int WrappingText::lineHeight() const {
    return fontMetrics().lineSpacing();
}

int WrappingText::heightForWidth(int width) const {
    return linesAt(width).height();
}

QSize WrappingText::sizeHint() const {
    // The first lines decide the natural width; a long text wraps at a readable width.
    const int natural = fontMetrics().horizontalAdvance(m_text.left(preferredColumns * 2)) + 1;
    const int width = std::min(natural, fontMetrics().averageCharWidth() * preferredColumns);
    return {width, heightForWidth(width)};
}

QSize WrappingText::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 4, lineHeight()};
}

const TextLines& WrappingText::linesAt(int width) const {
    if (!m_lines || m_linesWidth != width) {
        m_lines.emplace(m_text, font(), width, m_maxLines);
        m_linesWidth = width;
    }
    return *m_lines;
}

void WrappingText::forgetLines() {
    m_lines.reset();
    m_linesWidth = -1;
}

void WrappingText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    linesAt(width()).draw(p, QPointF(0, 0));
}

void WrappingText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        forgetLines();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}
