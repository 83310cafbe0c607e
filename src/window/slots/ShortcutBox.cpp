#include "ShortcutBox.h"

#include "ui/ComponentPaint.h"
#include "ui/Theme.h"
#include "window/WindowFonts.h"

#include <QPainter>

ShortcutBox::ShortcutBox(const Theme& theme, QString title, QString chord, QWidget* parent)
    : QWidget(parent), m_theme(theme), m_title(std::move(title)), m_chord(std::move(chord)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(54);
    setAccessibleName(QStringLiteral("%1: %2").arg(m_title, m_chord));
}

void ShortcutBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    ComponentPaint::outlinedPanel(p, rect(), 10, m_theme.surface(), QPen(m_theme.stroke(), 0.5));
    const QRectF inner = QRectF(rect()).adjusted(12, 10, -12, -10);
    // Both lines stay on one line, shrinking (down to 60 %) to fit.
    auto fitted = [&](QFont font, const QString& text) {
        const double full = font.pointSizeF();
        while (QFontMetricsF(font).horizontalAdvance(text) > inner.width() &&
               font.pointSizeF() > full * 0.6) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
        }
        return font;
    };
    p.setFont(fitted(WindowFonts::caption2(QFont::DemiBold), m_title));
    p.setPen(m_theme.secondaryLabel());
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), 13), Qt::AlignLeft | Qt::AlignTop,
               m_title);
    QFont mono = WindowFonts::callout(QFont::DemiBold);
    mono.setFamily(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    p.setFont(fitted(mono, m_chord));
    p.setPen(m_theme.label());
    p.drawText(QRectF(inner.left(), inner.top() + 16, inner.width(), inner.height() - 16),
               Qt::AlignLeft | Qt::AlignVCenter, m_chord);
}
