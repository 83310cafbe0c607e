#pragma once

#include <QAction>
#include <QMenu>
#include <QStringList>

// A menu's entries as shown, a separator as "-".
inline QStringList menuTitles(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions()) {
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return out;
}
