#include "HotkeysBanner.h"

#include "WindowFonts.h"
#include "ui/ComponentPaint.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

HotkeysBanner::HotkeysBanner(const Theme& theme, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_label(new QLabel(text, this)),
      m_button(new QPushButton(QStringLiteral("Open Settings"), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    m_label->setWordWrap(true);
    m_label->setFont(WindowFonts::callout());
    m_button->setFont(WindowFonts::callout(QFont::DemiBold));
    m_button->setFlat(true);
    m_button->setCursor(Qt::PointingHandCursor);
    row->addWidget(m_label, 1);
    row->addSpacing(16);
    row->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &HotkeysBanner::openSettings);
    setAccessibleName(text);
    restyle();
}

void HotkeysBanner::restyle() {
    QPalette p = m_label->palette();
    p.setColor(QPalette::WindowText, m_theme.label());
    m_label->setPalette(p);
    m_button->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: transparent; border: none; "
                       "padding: 2px 4px; }"
                       "QPushButton:focus { text-decoration: underline; }")
            .arg(m_theme.accentText().name()));
    update();
}

void HotkeysBanner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    ComponentPaint::warningPanel(p, m_theme, rect());
}
