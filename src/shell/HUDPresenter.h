#pragma once

// The window that shows the HUD: brought to the front without focus, and taken off screen.
class HUDPresenter {
public:
    virtual ~HUDPresenter() = default;
    // Centred horizontally, its bottom edge 96 above the bottom of the primary screen's
    // available area; left where it is when there is no screen.
    virtual void position() = 0;
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
};
