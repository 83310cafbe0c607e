#pragma once

#include <QAbstractButton>
#include <QColor>

class QVariantAnimation;
class Theme;

// A small square button with a symbol: 28 x 24, rounded 8, on Theme.surfaceRaise, washed
// with its tint while hovered (0.08) or pressed (0.2), outlined while hovered, scaled to 0.9
// while pressed and dimmed when disabled. With keyboard focus it wears the focus ring; Space or
// Return presses it.
class IconChipButton : public QAbstractButton {
    Q_OBJECT
public:
    IconChipButton(const Theme& theme, QString systemImage, const QString& help, QColor tint,
                   QWidget* parent = nullptr);

    QSize sizeHint() const override { return {28, 24}; }
    double scale() const { return m_scale; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void animateTo(double scale);

    const Theme& m_theme;
    QString m_symbol;
    QColor m_tint;
    bool m_hover = false;
    double m_scale = 1.0;
    QVariantAnimation* m_animation;
};
