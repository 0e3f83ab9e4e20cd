#pragma once
#include "synth/NumberText.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace quavril {

// What the frequency slider window shows, kept by the generator session so that the values
// are there before that window is opened: the sliders' common maximum (Round(1000 log10(fs
// div 4)), 4042 at 44100 Hz), each channel's slider position (Round(1000 log10(f / 2))),
// whether the right slider is usable (stereo only) and the texts of its limit and rounding
// edits.
class FrequencySliderModel {
public:
    int Maximum = 4042;
    std::array<int, 2> Position{0, 0}; // left, right
    bool RightEnabled = false;
    std::string MinFreqEdit = "20";    // Hz
    std::string MaxFreqEdit = "11025"; // Hz
    std::string txtRound = "1";

    // The sliders' maximum for a rate: Round(1000 log10(fs div 4)), ties to even.
    static int MaximumFor(int32_t fs) {
        return static_cast<int>(RoundEven(std::log10(static_cast<long double>(fs / 4)) * 1000.0L));
    }
};

} // namespace quavril
