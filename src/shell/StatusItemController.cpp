#include "StatusItemController.h"

#include "core/Log.h"
#include "ui/Icons.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

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
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setToolTip(QStringLiteral("Stashwick"));
        m_tray->setContextMenu(menu());
        connect(m_tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason != QSystemTrayIcon::Trigger) {
                        return;
                    }
                    if (m_opensWindowOnClick) {
                        onOpenWindow();
                    } else {
                        menu()->popup(QCursor::pos());
                    }
                });
        setActive(m_active);
        m_tray->show();
    }
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (!available) {
        qCInfo(Log::app) << "no system tray yet; the icon shows once one starts";
    }
    return available;
}

void StatusItemController::setActive(bool active) {
    m_active = active;
    if (m_tray) {
        m_tray->setIcon(trayIcon(active));
    }
}

QIcon StatusItemController::trayIcon(bool active) {
    const QString name =
        active ? QStringLiteral("doc.on.clipboard.fill") : QStringLiteral("doc.on.clipboard");
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        // The glyph drawn a little smaller, over a dark copy of itself shifted one pixel in
        // each direction: a light shape with a dark edge.
        const int inner = size - 2;
        const QPixmap edge = Icons::pixmap(name, QSize(inner, inner), QColor(0x20, 0x20, 0x20));
        const QPixmap glyph = Icons::pixmap(name, QSize(inner, inner), QColor(0xF4, 0xF4, 0xF4));
        QPixmap out(size, size);
        out.fill(Qt::transparent);
        QPainter p(&out);
        for (int dx = 0; dx <= 2; ++dx) {
            for (int dy = 0; dy <= 2; ++dy) {
                p.drawPixmap(dx, dy, edge);
            }
        }
        p.drawPixmap(1, 1, glyph);
        p.end();
        icon.addPixmap(out);
    }
    return icon;
}
