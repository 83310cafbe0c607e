#pragma once

#include <QAccessibleWidget>
#include <QMap>

class CapsuleSegmented;

// What assistive technology sees of a CapsuleSegmented: a page tab list or a group, with one
// child per option (CapsuleSegmentAccessible) that carries its name, role and state.
class CapsuleSegmentedAccessible : public QAccessibleWidget {
public:
    explicit CapsuleSegmentedAccessible(CapsuleSegmented* control);
    ~CapsuleSegmentedAccessible() override;

    // Makes Qt build this interface for every CapsuleSegmented (once per process).
    static void install();
    // Tells listeners that option `index` gained or lost its selection.
    static void notifySelection(CapsuleSegmented* control, int index);
    // Tells listeners that the keyboard moved to option `index`.
    static void notifyFocus(CapsuleSegmented* control, int index);

    QAccessible::Role role() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    CapsuleSegmented* control() const;

    mutable QMap<int, QAccessible::Id> m_children;
};
