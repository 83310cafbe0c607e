#include "CapsuleSegmentAccessible.h"

#include "CapsuleSegmented.h"

#include <QWidget>
#include <QWindow>

CapsuleSegmentAccessible::CapsuleSegmentAccessible(CapsuleSegmented* control, int index)
    : m_control(control), m_index(index) {}

bool CapsuleSegmentAccessible::isValid() const {
    return m_control && m_index >= 0 && m_index < m_control->options().size();
}

QWindow* CapsuleSegmentAccessible::window() const {
    if (!m_control) {
        return nullptr;
    }
    return m_control->window()->windowHandle();
}

QAccessibleInterface* CapsuleSegmentAccessible::parent() const {
    return m_control ? QAccessible::queryAccessibleInterface(m_control.data()) : nullptr;
}

QString CapsuleSegmentAccessible::text(QAccessible::Text t) const {
    if (!isValid()) {
        return {};
    }
    if (t == QAccessible::Name) {
        return m_control->options()[m_index].label;
    }
    return {};
}

QRect CapsuleSegmentAccessible::rect() const {
    if (!isValid()) {
        return {};
    }
    const QRect local = m_control->segmentRect(m_index).toAlignedRect();
    return QRect(m_control->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role CapsuleSegmentAccessible::role() const {
    if (m_control && m_control->role() == CapsuleSegmented::Role::Tabs) {
        return QAccessible::PageTab;
    }
    return QAccessible::RadioButton;
}

QAccessible::State CapsuleSegmentAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.invisible = !m_control->isVisible();
    s.disabled = !m_control->isEnabled();
    s.focusable = true;
    s.focused = m_control->hasFocus() && m_control->currentIndex() == m_index;
    const bool chosen = m_control->selectedIndex() == m_index;
    if (m_control->role() == CapsuleSegmented::Role::Tabs) {
        s.selectable = true;
        s.selected = chosen;
    } else {
        s.checkable = true;
        s.checked = chosen;
    }
    return s;
}

void* CapsuleSegmentAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    return nullptr;
}

QStringList CapsuleSegmentAccessible::actionNames() const {
    return {pressAction(), setFocusAction()};
}

void CapsuleSegmentAccessible::doAction(const QString& actionName) {
    if (!isValid()) {
        return;
    }
    if (actionName == pressAction()) {
        m_control->setCurrentIndex(m_index);
        m_control->setSelection(m_control->options()[m_index].value);
    } else if (actionName == setFocusAction()) {
        m_control->setFocus(Qt::OtherFocusReason);
        m_control->setCurrentIndex(m_index);
    }
}

QStringList CapsuleSegmentAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction()) {
        return {QStringLiteral("Space"), QStringLiteral("Return")};
    }
    return {};
}
