#pragma once

#include <QWidget>

class Theme;

// A tab whose content comes later: an empty page with the tab's title.
class TabPlaceholder : public QWidget {
    Q_OBJECT
public:
    TabPlaceholder(const Theme& theme, const QString& title, QWidget* parent = nullptr);
};
