#include "ButtonMenu.h"

#include <QMenu>

QMenu* ButtonMenu::open(QWidget* button, QWidget* owner, const Fill& fill) {
    auto* menu = new QMenu(owner);
    fill(*menu);
    // An entry runs after its menu has hidden, still inside the menu's mouse or key handler:
    // the menu goes when control is back in the event loop, never from within that handler.
    QObject::connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    return menu;
}
