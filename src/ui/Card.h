#pragma once

#include <QWidget>

class Theme;

// Content on a rounded (14) Theme.surface panel with a hairline Theme.stroke border.
class Card : public QWidget {
    Q_OBJECT
public:
    Card(const Theme& theme, int padding = 14, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
};
