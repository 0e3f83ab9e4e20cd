#pragma once
// Frequencies as users type and read them in the frequency fields. Toolkit-free.
#include <string>
#include <string_view>

namespace quavril {

class FrequencyEntry {
public:
    // The text the generator's number rules read for a typed frequency: a trailing "k"
    // (thousand) or "M" (million) and a trailing "Hz" (any case, blanks allowed before each)
    // are applied to the number before them, so "1k" is "1000", "1.5 kHz" "1500", "2M"
    // "2000000" and "440 Hz" "440". Any other text (no suffix, or no number before the suffix)
    // is given back unchanged, for the generator to accept or refuse by its own rules.
    static std::string Plain(std::string_view typed);

    // The text a frequency field shows for a value: as it is when it has at most 5 decimals
    // (or is not a number), else rounded to 5 decimals (ties to even): a semitone step's
    // "466.163757324219" shows as "466.16376".
    static std::string Shown(const std::string& text);
};

} // namespace quavril
