#pragma once

class QKeyEvent;

// Keys that press a focused button: Return and Enter act like Space, as on a dialog's buttons.
class ButtonKeys {
public:
    static bool activates(const QKeyEvent* event);
};
