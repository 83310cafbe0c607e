#pragma once

#include <functional>

class QMenu;
class QWidget;

// A menu that drops down below the button that opens it. It is made when it opens, from what
// is true then, and deleted once it has closed, so a change of the store while it shows
// neither closes nor destroys it, and an entry's action may change the store (and so rebuild
// the view around the button) from inside the menu's own click.
class ButtonMenu {
public:
    using Fill = std::function<void(QMenu&)>;

    // Makes the menu with `fill`, owned by `owner`, and shows it below `button`.
    static QMenu* open(QWidget* button, QWidget* owner, const Fill& fill);
};
