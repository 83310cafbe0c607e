#include "TabPlaceholder.h"

#include "WindowFonts.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

TabPlaceholder::TabPlaceholder(const Theme& theme, const QString& title, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    auto* heading = new QLabel(title, this);
    heading->setFont(WindowFonts::title());
    QPalette p = heading->palette();
    p.setColor(QPalette::WindowText, theme.label());
    heading->setPalette(p);
    layout->addWidget(heading);
    layout->addStretch(1);
}
