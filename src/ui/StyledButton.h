#pragma once

#include <QAbstractButton>

class Theme;

// The two text buttons of the window: Action (primary, on the action gradient) and Neutral
// (secondary, on Theme.surfaceRaise with a hairline border). Both are capsules, dimmed when
// disabled (0.4) and while pressed (0.82 and 0.7). With keyboard focus they wear the focus
// ring; Space or Return presses them.
class StyledButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { Action, Neutral };

    StyledButton(const Theme& theme, Kind kind, const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    double paintOpacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFont labelFont() const;

    const Theme& m_theme;
    Kind m_kind;
};
