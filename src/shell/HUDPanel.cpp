#include "HUDPanel.h"

#include "HUDView.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

HUDPanel::HUDPanel(HUDModel& model, const Theme& theme, Thumbnailer& thumbnails, bool translucent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput |
                           Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint),
      m_view(new HUDView(model, theme, thumbnails, translucent, this)), m_translucent(translucent) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Stashwick HUD"));
    setFixedSize(HUDView::panelWidth, HUDView::panelHeight);
    if (m_translucent) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        connect(m_view, &HUDView::capsuleChanged, this, &HUDPanel::updateShape);
        updateShape();
    }
}

void HUDPanel::updateShape() {
    QPainterPath capsule;
    const QRectF r = m_view->capsuleRect();
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    setMask(QRegion(capsule.toFillPolygon().toPolygon()));
}

void HUDPanel::position() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        const auto screens = QGuiApplication::screens();
        if (screens.isEmpty()) {
            return;
        }
        screen = screens.first();
    }
    const QRect area = screen->availableGeometry();
    move(area.center().x() + 1 - HUDView::panelWidth / 2,
         area.bottom() + 1 - 96 - HUDView::panelHeight);
}

void HUDPanel::orderFront() {
    show();
    raise();
}

void HUDPanel::orderOut() {
    hide();
}
