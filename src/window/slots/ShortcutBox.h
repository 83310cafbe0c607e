#pragma once

#include <QWidget>

class Theme;

// One configured chord: a small title over the chord's text, on a rounded surface.
class ShortcutBox : public QWidget {
    Q_OBJECT
public:
    ShortcutBox(const Theme& theme, QString title, QString chord, QWidget* parent = nullptr);
    QString chord() const { return m_chord; }
    QSize sizeHint() const override { return {180, 54}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QString m_title;
    QString m_chord;
};
