#pragma once

#include "hotkeys/KeyChord.h"
#include "window/KeyRecorder.h"

#include <QAbstractButton>
#include <functional>

class QLabel;
class Theme;

// One shortcut in the settings: its title and a button showing the chord; a click records a
// new one ("Press keys…" meanwhile), a second click stops the recording. A recording also
// ends when the row is hidden (its tab is left, the window closes) or its window loses the
// keyboard, so no key typed later, elsewhere, becomes a chord.
class ShortcutRecorderRow : public QWidget {
    Q_OBJECT
public:
    ShortcutRecorderRow(const Theme& theme, const QString& title,
                        KeyRecorder::KeyCodeMapping keyCode, QWidget* parent = nullptr);
    ~ShortcutRecorderRow() override;

    void setCurrent(const QString& chord);
    QAbstractButton* button() const { return m_button; }
    KeyRecorder& recorder() { return m_recorder; }
    QString shownText() const;

    std::function<void(const KeyChord&)> onCapture = [](const KeyChord&) {};

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    KeyRecorder m_recorder;
    QAbstractButton* m_button;
    QString m_current;
};
