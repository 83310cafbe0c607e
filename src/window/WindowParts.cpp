#include "WindowParts.h"

#include "WindowFonts.h"
#include "hotkeys/HotkeyConfig.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>

QLabel* WindowParts::label(const QString& text, const QFont& font, const QColor& color,
                           QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    return l;
}

void WindowParts::makeTransparent(QScrollArea* scroll) {
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    if (QWidget* content = scroll->widget()) {
        content->setAutoFillBackground(false);
    }
}

QWidget* WindowParts::conflictLine(const Theme& theme, const HotkeyConflict& conflict,
                                   QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* icon = new QLabel(line);
    icon->setPixmap(Icons::pixmap(QStringLiteral("exclamationmark.triangle"), QSize(12, 12),
                                  theme.warning(), line->devicePixelRatioF()));
    const QString text =
        QStringLiteral("%1 overlaps %2").arg(conflict.chord, conflict.collidesWith);
    layout->addWidget(icon);
    layout->addWidget(label(text, WindowFonts::caption(), theme.warning(), line), 1);
    line->setAccessibleName(text);
    return line;
}
