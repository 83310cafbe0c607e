#pragma once

#include "HUDPresenter.h"

#include <QWidget>

class HUDModel;
class HUDView;
class Theme;
class Thumbnailer;

// The HUD's window: frameless, on top, never focused, transparent for the mouse, and (by
// bypassing the window manager) on every workspace. Translucent where a compositor runs;
// otherwise shaped to its capsule, so no dark corners show.
class HUDPanel final : public QWidget, public HUDPresenter {
    Q_OBJECT
public:
    HUDPanel(HUDModel& model, const Theme& theme, Thumbnailer& thumbnails, bool translucent);

    void position() override;
    void orderFront() override;
    void orderOut() override;

    HUDView* view() const { return m_view; }

private:
    void updateShape();

    HUDView* m_view;
    bool m_translucent;
};
