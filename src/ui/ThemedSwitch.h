#pragma once

#include <QAbstractButton>

class QVariantAnimation;
class Theme;

// A labelled switch: the label, then a 42 x 25 capsule track (action gradient when on,
// Theme.strokeStrong when off) with a white knob that slides to the trailing end when on.
// With keyboard focus the track wears the focus ring; Space or Return flips it.
class ThemedSwitch : public QAbstractButton {
    Q_OBJECT
public:
    ThemedSwitch(const Theme& theme, const QString& label, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QRectF trackRect() const;
    // 0 (off) to 1 (on), animated.
    double knobPosition() const { return m_position; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const Theme& m_theme;
    double m_position = 0;
    QVariantAnimation* m_animation;
};
