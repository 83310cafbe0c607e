#include "StatusItemController.h"

#include "clipboard/DisplayLine.h"
#include "core/Log.h"
#include "ui/Icons.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace {
// How wide the not-saving line may grow before it is shortened, in average characters.
constexpr int notSavingColumns = 60;

// One line as a menu title: line breaks and tabs (a tab starts the shortcut column) become
// blanks, and "&" is shown rather than taken as a mnemonic marker.
QString menuTitle(const QString& text) {
    return text.simplified().replace(QLatin1Char('&'), QStringLiteral("&&"));
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
    m_menu->setToolTipsVisible(true);
    m_notSaving = new QAction(m_menu);
    m_notSaving->setEnabled(false);
    m_notSavingSeparator = new QAction(m_menu);
    m_notSavingSeparator->setSeparator(true);
    showNotSaving();
    return m_menu;
}

void StatusItemController::setNotSavingReason(const QString& reason) {
    m_notSavingReason = reason;
    if (m_menu) {
        showNotSaving();
    }
}

void StatusItemController::showNotSaving() {
    const bool shown = m_menu->actions().contains(m_notSaving);
    if (m_notSavingReason.isEmpty()) {
        if (shown) {
            m_menu->removeAction(m_notSaving);
            m_menu->removeAction(m_notSavingSeparator);
        }
        return;
    }
    // The reason may name a file: shown as one line of text, whatever the name holds.
    const QString full =
        QStringLiteral("Not saving: %1").arg(DisplayLine::clean(m_notSavingReason));
    const QFontMetrics metrics(m_menu->font());
    m_notSaving->setText(menuTitle(metrics.elidedText(
        full.simplified(), Qt::ElideRight, metrics.averageCharWidth() * notSavingColumns)));
    // As rich text, so a long reason wraps, and any markup in it shows as typed.
    m_notSaving->setToolTip(QStringLiteral("<p>%1</p>").arg(full.toHtmlEscaped()));
    if (!shown) {
        QAction* first = m_menu->actions().value(0);
        m_menu->insertAction(first, m_notSaving);
        m_menu->insertAction(first, m_notSavingSeparator);
    }
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
