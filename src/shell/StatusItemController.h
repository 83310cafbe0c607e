#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QIcon;
class QMenu;
class QSystemTrayIcon;

// The tray icon: hollow while the global chords are off, filled while they are on, with a
// menu to open the window, check for updates and quit, headed by a greyed-out "Not saving:
// <why>" line while changes are not reaching the disk. The icon is created whether or not a
// tray runs yet (at login the panel often starts after us); Qt docks it as soon as one
// appears. A left click opens the main window where the program has one, else the menu.
class StatusItemController : public QObject {
    Q_OBJECT
public:
    // `summonChord` is the display text of the summon chord ("Control + Alt + Super + V").
    explicit StatusItemController(QString summonChord, QObject* parent = nullptr);
    ~StatusItemController() override;

    // Creates the tray icon and its menu. False when no tray runs at this moment: the icon
    // is still there and shows once one starts.
    bool install();
    void setActive(bool active);
    // Heads the menu with "Not saving: <reason>" (shortened when long, whole in its tooltip);
    // an empty reason takes the line away.
    void setNotSavingReason(const QString& reason);
    // Whether a left click on the icon opens the main window (true) or the menu.
    void setOpensWindowOnClick(bool opens) { m_opensWindowOnClick = opens; }
    // A light glyph with a dark edge, so that it reads on light and dark panels alike.
    static QIcon trayIcon(bool active);

    // The menu as it is shown (built on install, or on first call).
    QMenu* menu();

    std::function<void()> onOpenWindow = [] {};
    std::function<void()> onCheckForUpdates = [] {};
    std::function<void()> onQuit;

private:
    void showNotSaving();

    QString m_summonChord;
    QString m_notSavingReason;
    QAction* m_notSaving = nullptr;
    QAction* m_notSavingSeparator = nullptr;
    QMenu* m_menu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_active = false;
    bool m_opensWindowOnClick = false;
};
