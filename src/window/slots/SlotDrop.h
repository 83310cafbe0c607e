#pragma once

#include <QString>
#include <optional>

class SlotStore;

// Text dropped on a slot's tile: the number of the slot to move onto it. Absent (the drop is
// refused) when the text is not a decimal number (an optional sign allowed), names the tile's
// own slot, names no slot, or names an empty slot.
class SlotDrop {
public:
    static std::optional<int> source(const QString& text, int target, const SlotStore& slots);
};
