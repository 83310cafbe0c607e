#include "Card.h"

#include "Theme.h"

#include <QPainter>
#include <QPainterPath>

Card::Card(const Theme& theme, int padding, QWidget* parent) : QWidget(parent), m_theme(theme) {
    setContentsMargins(padding, padding, padding, padding);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 14, 14);
    p.fillPath(shape, m_theme.surface());
    p.strokePath(shape, QPen(m_theme.stroke(), 0.5));
}
