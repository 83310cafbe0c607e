#pragma once

#include <QFrame>

class Theme;

// What snippets are and which placeholders their bodies take: a transient panel beside the
// info button, closed by Escape or a click outside.
class SnippetsInfoPanel : public QFrame {
    Q_OBJECT
public:
    explicit SnippetsInfoPanel(const Theme& theme, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
};
