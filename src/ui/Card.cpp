#include "Card.h"

#include "ComponentPaint.h"
#include "Theme.h"

#include <QPainter>

Card::Card(const Theme& theme, int padding, QWidget* parent) : QWidget(parent), m_theme(theme) {
    setContentsMargins(padding, padding, padding, padding);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter p(this);
    ComponentPaint::outlinedPanel(p, rect(), 14, m_theme.surface(), QPen(m_theme.stroke(), 0.5));
}
