#include "CapsuleSegmentedAccessible.h"

#include "CapsuleSegmentAccessible.h"
#include "CapsuleSegmented.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("CapsuleSegmented") && object && object->isWidgetType()) {
        return new CapsuleSegmentedAccessible(static_cast<CapsuleSegmented*>(object));
    }
    return nullptr;
}

} // namespace

CapsuleSegmentedAccessible::CapsuleSegmentedAccessible(CapsuleSegmented* control)
    : QAccessibleWidget(control, QAccessible::Grouping) {}

CapsuleSegmentedAccessible::~CapsuleSegmentedAccessible() {
    for (QAccessible::Id id : std::as_const(m_children)) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

void CapsuleSegmentedAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

CapsuleSegmented* CapsuleSegmentedAccessible::control() const {
    return static_cast<CapsuleSegmented*>(widget());
}

QAccessible::Role CapsuleSegmentedAccessible::role() const {
    return control()->role() == CapsuleSegmented::Role::Tabs ? QAccessible::PageTabList
                                                             : QAccessible::Grouping;
}

int CapsuleSegmentedAccessible::childCount() const {
    return static_cast<int>(control()->options().size());
}

QAccessibleInterface* CapsuleSegmentedAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    if (const auto it = m_children.constFind(index); it != m_children.constEnd()) {
        return QAccessible::accessibleInterface(*it);
    }
    auto* option = new CapsuleSegmentAccessible(control(), index);
    m_children.insert(index, QAccessible::registerAccessibleInterface(option));
    return option;
}

int CapsuleSegmentedAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (auto it = m_children.constBegin(); it != m_children.constEnd(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child) {
            return it.key();
        }
    }
    return -1;
}

QAccessibleInterface* CapsuleSegmentedAccessible::childAt(int x, int y) const {
    const QPointF local = control()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < childCount(); ++i) {
        if (control()->segmentRect(i).contains(local)) {
            return child(i);
        }
    }
    return nullptr;
}

QAccessibleInterface* CapsuleSegmentedAccessible::focusChild() const {
    return control()->hasFocus() ? child(control()->currentIndex()) : nullptr;
}

void CapsuleSegmentedAccessible::notifySelection(CapsuleSegmented* control, int index) {
    if (!QAccessible::isActive() || index < 0) {
        return;
    }
    QAccessibleInterface* option = QAccessible::queryAccessibleInterface(control)->child(index);
    if (!option) {
        return;
    }
    QAccessible::State changed;
    if (control->role() == CapsuleSegmented::Role::Tabs) {
        changed.selected = true;
    } else {
        changed.checked = true;
    }
    QAccessibleStateChangeEvent event(option, changed);
    QAccessible::updateAccessibility(&event);
}

void CapsuleSegmentedAccessible::notifyFocus(CapsuleSegmented* control, int index) {
    if (!QAccessible::isActive() || !control->hasFocus()) {
        return;
    }
    if (QAccessibleInterface* option =
            QAccessible::queryAccessibleInterface(control)->child(index)) {
        QAccessibleEvent event(option, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}
