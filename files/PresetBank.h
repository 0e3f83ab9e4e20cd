#pragma once
// The four memory presets, numbered 1 to 4 (there is no slot 0). The bank is what a preset
// file holds; the captions of the memory buttons are the slots' names.
#include "files/PresetSlot.h"

#include <array>
#include <string>

namespace quavril {

class PresetBank {
public:
    static constexpr int FirstSlot = 1;
    static constexpr int LastSlot = 4;
    static constexpr int SlotCount = 4;

    static bool IsSlotNumber(int n) { return n >= FirstSlot && n <= LastSlot; }

    // Slot n, 1..4; any other number throws std::out_of_range.
    PresetSlot& Slot(int n);
    const PresetSlot& Slot(int n) const;

    // The captions of the memory buttons, slots 1 to 4 in order.
    std::array<std::string, SlotCount> Names() const;

    bool operator==(const PresetBank&) const = default;

private:
    std::array<PresetSlot, SlotCount> slots_{};
};

} // namespace quavril
