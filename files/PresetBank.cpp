#include "files/PresetBank.h"

#include <stdexcept>

namespace quavril {

PresetSlot& PresetBank::Slot(int n) {
    if (!IsSlotNumber(n))
        throw std::out_of_range("preset slot " + std::to_string(n) + " is not 1..4");
    return slots_[static_cast<std::size_t>(n - FirstSlot)];
}

const PresetSlot& PresetBank::Slot(int n) const {
    return const_cast<PresetBank*>(this)->Slot(n);
}

std::array<std::string, PresetBank::SlotCount> PresetBank::Names() const {
    std::array<std::string, SlotCount> names;
    for (int n = FirstSlot; n <= LastSlot; ++n)
        names[static_cast<std::size_t>(n - FirstSlot)] = Slot(n).Name;
    return names;
}

} // namespace quavril
