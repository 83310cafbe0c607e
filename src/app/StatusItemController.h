#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The tray icon: hollow while the global chords are off, filled while they are on, with a
// menu to open the window, check for updates and quit. Where the desktop has no tray the
// program runs on without one.
class StatusItemController : public QObject {
    Q_OBJECT
public:
    // `summonChord` is the display text of the summon chord ("Control + Alt + Super + V").
    explicit StatusItemController(QString summonChord, QObject* parent = nullptr);
    ~StatusItemController() override;

    // Creates the tray icon and its menu; false when the desktop offers no tray.
    bool install();
    void setActive(bool active);

    // The menu as it is shown (built on install, or on first call).
    QMenu* menu();

    std::function<void()> onOpenWindow = [] {};
    std::function<void()> onCheckForUpdates = [] {};
    std::function<void()> onQuit;

private:
    QString m_summonChord;
    QMenu* m_menu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_active = false;
};
