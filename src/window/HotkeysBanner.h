#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class Theme;

// The warning row shown while the global shortcuts are off, with a button to the Settings tab.
class HotkeysBanner : public QWidget {
    Q_OBJECT
public:
    static inline const QString text =
        QStringLiteral("Shortcuts are off \u2014 Stashwick needs an X11 session with the XTEST "
                       "extension to copy and paste by hotkey.");

    HotkeysBanner(const Theme& theme, QWidget* parent = nullptr);
    // Picks up the theme's colours again.
    void restyle();
    QPushButton* openSettingsButton() const { return m_button; }

Q_SIGNALS:
    void openSettings();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QLabel* m_label;
    QPushButton* m_button;
};
