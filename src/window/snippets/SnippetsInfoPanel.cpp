#include "SnippetsInfoPanel.h"

#include "ui/Icons.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
QLabel* text(const QString& s, const QFont& font, const QColor& color, QWidget* parent) {
    auto* l = new QLabel(s, parent);
    l->setFont(font);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    return l;
}
} // namespace

SnippetsInfoPanel::SnippetsInfoPanel(const Theme& theme, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_theme(theme) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAccessibleName(QStringLiteral("What are snippets?"));
    setFixedWidth(320);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(8);
    auto* heading = new QHBoxLayout;
    auto* symbol = new QLabel(this);
    symbol->setPixmap(Icons::pixmap(QStringLiteral("text.badge.plus"), QSize(16, 16), theme.label(),
                                    devicePixelRatioF()));
    heading->addWidget(symbol);
    heading->addWidget(text(QStringLiteral("What are snippets?"),
                            WindowFonts::callout(QFont::DemiBold), theme.label(), this),
                       1);
    column->addLayout(heading);
    column->addWidget(text(QStringLiteral("Reusable bits of text you paste often \u2014 email "
                                          "signatures, addresses, boilerplate replies \u2014 "
                                          "beyond the 10 ephemeral slots."),
                           WindowFonts::callout(), theme.secondaryLabel(), this));
    column->addWidget(
        text(QStringLiteral("Bodies can include placeholders that expand when you copy:"),
             WindowFonts::callout(), theme.secondaryLabel(), this));
    QFont mono = WindowFonts::caption(QFont::DemiBold);
    mono.setFamily(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    const std::pair<const char*, const char*> tokens[] = {
        {"{clipboard}", "your current clipboard text"},
        {"{slot1}\u2026{slot9}", "the text saved in that numbered slot"},
        {"{date}", "today's date"},
        {"{time}", "the current time"}};
    for (const auto& [token, description] : tokens) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        row->addWidget(text(QString::fromUtf8(token), mono, theme.accentText(), this));
        row->addWidget(text(QStringLiteral("\u2014 ") + QString::fromUtf8(description),
                            WindowFonts::caption(), theme.secondaryLabel(), this),
                       1);
        column->addLayout(row);
    }
    column->addWidget(text(
        QStringLiteral("Tap a snippet's copy button to put the expanded text on the clipboard."),
        WindowFonts::caption(), theme.tertiaryLabel(), this));
}

void SnippetsInfoPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

void SnippetsInfoPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_theme.surfaceRaise());
    p.setPen(QPen(m_theme.strokeStrong(), 1));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
