#include "ButtonKeys.h"

#include <QKeyEvent>

bool ButtonKeys::activates(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           mods == Qt::NoModifier && !event->isAutoRepeat();
}
