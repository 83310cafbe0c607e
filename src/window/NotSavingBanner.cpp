#include "NotSavingBanner.h"

#include "WindowFonts.h"
#include "WrappingText.h"
#include "ui/ComponentPaint.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int iconSize = 16;
} // namespace

NotSavingBanner::NotSavingBanner(const Theme& theme, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_icon(new QLabel(this)), m_title(new QLabel(title, this)),
      m_reason(new WrappingText(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    auto* text = new QVBoxLayout;
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(2);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(WindowFonts::callout(QFont::DemiBold));
    m_reason->setFont(WindowFonts::callout());
    // As tall as the title's line, so the sign sits level with it.
    m_icon->setFixedSize(iconSize, std::max(iconSize, m_title->sizeHint().height()));
    m_icon->setAlignment(Qt::AlignCenter);
    text->addWidget(m_title);
    text->addWidget(m_reason);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addLayout(text, 1);
    setAccessibleName(title);
    setVisible(false);
    restyle();
}

void NotSavingBanner::setReason(const QString& reason) {
    m_reason->setText(reason);
    m_reason->setAccessibleName(reason);
    setAccessibleDescription(reason);
    setVisible(!reason.isEmpty());
}

QString NotSavingBanner::reason() const {
    return m_reason->text();
}

void NotSavingBanner::restyle() {
    m_icon->setPixmap(Icons::pixmap(QStringLiteral("exclamationmark.triangle.fill"),
                                    QSize(iconSize, iconSize), m_theme.warning(),
                                    devicePixelRatioF()));
    for (QWidget* w : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_reason)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, m_theme.label());
        w->setPalette(p);
    }
    update();
}

void NotSavingBanner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    ComponentPaint::warningPanel(p, m_theme, rect());
}
