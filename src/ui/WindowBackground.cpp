#include "WindowBackground.h"

#include "BackgroundTexture.h"
#include "Theme.h"

#include <QPainter>

WindowBackground::WindowBackground(const Theme& theme, QWidget* parent)
    : QWidget(parent), m_theme(theme) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WindowBackground::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_theme.window());
    BackgroundTexture::paint(p, size());
}
