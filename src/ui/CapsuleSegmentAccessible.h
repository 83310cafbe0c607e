#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class CapsuleSegmented;

// One option of a CapsuleSegmented as assistive technology sees it: a page tab (selected when
// chosen) or a radio button (checked when chosen), named by its label; "press" selects it.
class CapsuleSegmentAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CapsuleSegmentAccessible(CapsuleSegmented* control, int index);

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QPointer<CapsuleSegmented> m_control;
    int m_index;
};
