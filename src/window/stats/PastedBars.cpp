#include "PastedBars.h"

#include "ui/Theme.h"
#include "window/WindowFonts.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {
constexpr int rowHeight = 22, titleHeight = 24;
}

PastedBars::PastedBars(const Theme& theme, QWidget* parent)
    : Card(theme, 16, parent), m_theme(theme) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double PastedBars::barWidth(double available, qint64 count, qint64 largest) {
    return std::max(available * static_cast<double>(count) /
                        static_cast<double>(std::max<qint64>(largest, 1)),
                    6.0);
}

void PastedBars::setCounts(QList<std::pair<int, qint64>> counts) {
    m_counts = std::move(counts);
    QStringList lines;
    for (const auto& [slot, count] : m_counts) {
        lines << QStringLiteral("slot %1: %2").arg(slot).arg(count);
    }
    setAccessibleName(QStringLiteral("Most pasted slots: %1")
                          .arg(lines.isEmpty() ? QStringLiteral("no activity yet")
                                               : lines.join(QStringLiteral(", "))));
    setFixedHeight(sizeHint().height());
    update();
}

QSize PastedBars::sizeHint() const {
    return {300,
            32 + titleHeight + std::max<int>(1, static_cast<int>(m_counts.size())) * rowHeight};
}

void PastedBars::paintEvent(QPaintEvent* event) {
    Card::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF inner = QRectF(rect()).adjusted(16, 16, -16, -16);
    p.setFont(WindowFonts::callout(QFont::DemiBold));
    p.setPen(m_theme.label());
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), titleHeight - 4),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Most pasted slots"));
    if (m_counts.isEmpty()) {
        p.setFont(WindowFonts::caption());
        p.setPen(m_theme.tertiaryLabel());
        p.drawText(QRectF(inner.left(), inner.top() + titleHeight, inner.width(), rowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No activity yet."));
        return;
    }
    qint64 largest = 1;
    for (const auto& c : m_counts) {
        largest = std::max(largest, c.second);
    }
    QFont mono = WindowFonts::caption(QFont::Bold);
    mono.setFamily(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    const double available = inner.width() - 16 - 28 - 20;
    double y = inner.top() + titleHeight;
    for (const auto& [slot, count] : m_counts) {
        p.setFont(mono);
        p.setPen(m_theme.secondaryLabel());
        p.drawText(QRectF(inner.left(), y, 16, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(slot));
        const QRectF bar(inner.left() + 26, y + (rowHeight - 14) / 2.0,
                         barWidth(available, count, largest), 14);
        QPainterPath capsule;
        capsule.addRoundedRect(bar, 7, 7);
        p.fillPath(capsule, m_theme.accent());
        p.drawText(QRectF(inner.right() - 28, y, 28, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(count));
        y += rowHeight;
    }
}
