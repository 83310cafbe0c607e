#pragma once

#include "window/WindowContext.h"

#include <QWidget>

class QVBoxLayout;

// Below the slots: the three configured chords (copy, paste, open window) in boxes, and one
// warning line per conflict.
class ShortcutFooter : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutFooter(WindowContext context, QWidget* parent = nullptr);
    void reload();
    // The conflict lines as shown.
    QStringList conflictLines() const;

private:
    WindowContext m_context;
    QVBoxLayout* m_column;
    QWidget* m_boxes = nullptr;
    QList<QWidget*> m_conflicts;
};
