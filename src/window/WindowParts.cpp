#include "WindowParts.h"

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
