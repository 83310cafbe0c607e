#include "SearchField.h"

#include "ui/ComponentPaint.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

SearchField::SearchField(const Theme& theme, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_edit(new QLineEdit(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);
    auto* glass = new QLabel(this);
    glass->setPixmap(Icons::pixmap(QStringLiteral("magnifyingglass"), QSize(14, 14),
                                   theme.secondaryLabel(), devicePixelRatioF()));
    row->addWidget(glass);
    m_edit->setPlaceholderText(QStringLiteral("Search clipboard history"));
    m_edit->setAccessibleName(QStringLiteral("Search clipboard history"));
    m_edit->setFrame(false);
    m_edit->setFont(WindowFonts::callout());
    QPalette p = m_edit->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, theme.label());
    p.setColor(QPalette::PlaceholderText, theme.tertiaryLabel());
    m_edit->setPalette(p);
    row->addWidget(m_edit, 1);
    auto* clear = new QToolButton(this);
    clear->setIcon(Icons::icon(QStringLiteral("xmark.circle.fill"), theme.tertiaryLabel()));
    clear->setAutoRaise(true);
    clear->setToolTip(QStringLiteral("Clear search"));
    clear->setAccessibleName(QStringLiteral("Clear search"));
    clear->setCursor(Qt::PointingHandCursor);
    clear->setVisible(false);
    m_clear = clear;
    row->addWidget(clear);
    connect(clear, &QToolButton::clicked, m_edit, [this] {
        m_edit->clear();
        m_edit->setFocus();
    });
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_clear->setVisible(!text.isEmpty());
        Q_EMIT queryChanged(text);
    });
}

void SearchField::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool focused = m_edit->hasFocus();
    ComponentPaint::outlinedPanel(
        p, rect(), 10, m_theme.surfaceRaise(),
        QPen(focused ? m_theme.accent() : m_theme.stroke(), focused ? 1 : 0.5));
}
