#pragma once

#include "hotkeys/SessionReport.h"

#include <QWidget>

class QLabel;
class QPushButton;
class Theme;

// The warning row shown while the global shortcuts are off, with a button to the Settings tab.
class HotkeysBanner : public QWidget {
    Q_OBJECT
public:
    HotkeysBanner(const Theme& theme, QWidget* parent = nullptr);
    // What the row says for a session: why the chords are off, or that they are coming.
    static QString textFor(const SessionReport& report);
    void setReport(const SessionReport& report);
    QString text() const;
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
