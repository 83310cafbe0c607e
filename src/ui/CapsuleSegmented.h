#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class Theme;

// A row of capsule segments, one per option; the selected one sits on the action gradient.
// From the keyboard, Left/Right (Up/Down) and Home/End move the focused segment, drawn with
// the focus ring, and Space or Return selects it. Screen readers see each option as a child
// of its own: a page tab of a tab list, or a radio button of a picker.
class CapsuleSegmented : public QWidget {
    Q_OBJECT
public:
    struct Option {
        QString value;
        QString label;
        QString symbol; // empty: none
    };
    // What the options are to assistive technology.
    enum class Role { Picker, Tabs };

    CapsuleSegmented(const Theme& theme, QList<Option> options, QWidget* parent = nullptr);

    QString selection() const { return m_selection; }
    void setSelection(const QString& value);
    int selectedIndex() const;
    // The segment the keyboard is on (the selected one until an arrow key moves it).
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    const QList<Option>& options() const { return m_options; }
    Role role() const { return m_role; }
    void setRole(Role role) { m_role = role; }
    QSize sizeHint() const override;
    // Where segment i sits, for painting and hit testing.
    QRectF segmentRect(int i) const;

Q_SIGNALS:
    void selectionChanged(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    double segmentWidth(int i) const;

    const Theme& m_theme;
    QList<Option> m_options;
    QString m_selection;
    int m_current = 0;
    Role m_role = Role::Picker;
};
