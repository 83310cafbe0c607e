#include "SlotDrop.h"

#include "store/SlotStore.h"

std::optional<int> SlotDrop::source(const QString& text, int target, const SlotStore& slots) {
    QString digits = text;
    if (digits.startsWith(u'+') || digits.startsWith(u'-')) {
        digits = digits.mid(1);
    }
    if (digits.isEmpty() || digits.size() > 9) {
        return std::nullopt;
    }
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
    }
    const int number = (text.startsWith(u'-') ? -1 : 1) * digits.toInt();
    // Listed, not loaded: the source slot's image stays in the store.
    if (number == target || number < 0 || number >= SlotStore::slotCount ||
        !slots.allItems()[static_cast<std::size_t>(number)]) {
        return std::nullopt;
    }
    return number;
}
