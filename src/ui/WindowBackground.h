#pragma once

#include <QWidget>

class Theme;

// The window's backdrop: Theme.window with the background texture over it.
class WindowBackground : public QWidget {
    Q_OBJECT
public:
    WindowBackground(const Theme& theme, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
};
