#pragma once
// The readable source of a shipped preset file. One "[slot N]" header per slot, then one
// "Control = value" line for every setting of the slot, named after the generator's controls;
// '#' starts a comment line. The parser is strict, so that a typing error in a source stops
// the build instead of shipping a broken preset.
#include "files/PresetBank.h"

#include <string>
#include <string_view>

namespace quavril {

class PresetSource {
public:
    // Fills all four slots of `bank` from `text` (UTF-8). On failure returns false, leaves
    // `bank` untouched and puts "line N: what is wrong" (or a whole-file problem) into `error`.
    static bool Parse(std::string_view text, PresetBank& bank, std::string& error);
};

} // namespace quavril
