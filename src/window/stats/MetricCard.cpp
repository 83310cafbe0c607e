#include "MetricCard.h"

#include "ui/Icons.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"

#include <QPainter>
#include <QPainterPath>

MetricCard::MetricCard(const Theme& theme, QString symbol, QString caption,
                       std::function<qint64()> value, QWidget* parent)
    : Card(theme, 16, parent), m_theme(theme), m_symbol(std::move(symbol)),
      m_caption(std::move(caption)), m_value(std::move(value)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(88);
    setAccessibleName(m_caption);
}

void MetricCard::paintEvent(QPaintEvent* event) {
    Card::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF inner = QRectF(rect()).adjusted(16, 16, -16, -16);
    p.drawPixmap(QPointF(inner.left(), inner.center().y() - 11),
                 Icons::pixmap(m_symbol, QSize(22, 22), m_theme.accentText(), devicePixelRatioF()));
    QFont number;
    number.setPointSizeF(21);
    number.setBold(true);
    p.setFont(number);
    p.setPen(m_theme.label());
    const QString value = QString::number(m_value());
    p.drawText(QRectF(inner.left() + 34, inner.top() - 4, inner.width() - 34, 36),
               Qt::AlignLeft | Qt::AlignVCenter, value);
    p.setFont(WindowFonts::caption());
    p.setPen(m_theme.secondaryLabel());
    p.drawText(QRectF(inner.left() + 34, inner.top() + 34, inner.width() - 34, 16),
               Qt::AlignLeft | Qt::AlignVCenter, m_caption);
}
