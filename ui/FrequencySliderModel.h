#pragma once
#include <array>
#include <string>

namespace quavril {

// What the frequency slider window shows, kept by the generator window so that the values
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
};

} // namespace quavril
