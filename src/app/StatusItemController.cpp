#include "StatusItemController.h"

#include "core/Log.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {
// Tray icons follow the panel, which is dark or light with the desktop's palette.
QColor trayColor() {
    return Theme::desktopPaletteIsDark() ? QColor(0xF2, 0xF2, 0xF2) : QColor(0x30, 0x30, 0x30);
}
} // namespace

StatusItemController::StatusItemController(QString summonChord, QObject* parent)
    : QObject(parent), m_summonChord(std::move(summonChord)) {}

StatusItemController::~StatusItemController() {
    delete m_menu;
}

QMenu* StatusItemController::menu() {
    if (m_menu) {
        return m_menu;
    }
    m_menu = new QMenu;
    m_menu->addAction(QStringLiteral("Open Main Window  (%1)").arg(m_summonChord), this,
                      [this] { onOpenWindow(); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Check for Updates\u2026"), this,
                      [this] { onCheckForUpdates(); });
    m_menu->addSeparator();
    QAction* quit = m_menu->addAction(QStringLiteral("Quit Stashwick"), this, [this] {
        if (onQuit) {
            onQuit();
        } else {
            QCoreApplication::quit();
        }
    });
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    return m_menu;
}

bool StatusItemController::install() {
    if (m_tray) {
        return true;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qCInfo(Log::app) << "no system tray on this desktop; running without a tray icon";
        return false;
    }
    m_tray = new QSystemTrayIcon(this);
    m_tray->setToolTip(QStringLiteral("Stashwick"));
    m_tray->setContextMenu(menu());
    setActive(m_active);
    m_tray->show();
    return true;
}

void StatusItemController::setActive(bool active) {
    m_active = active;
    if (!m_tray) {
        return;
    }
    m_tray->setIcon(Icons::icon(active ? QStringLiteral("doc.on.clipboard.fill")
                                       : QStringLiteral("doc.on.clipboard"),
                                trayColor()));
}
