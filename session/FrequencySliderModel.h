#pragma once
// The frequency slider window's values and rules without any toolkit: the logarithmic scale,
// the common range of both sliders, the texts of the limit and rounding edits and what
// leaving those edits does. The generator session keeps one, so the values are there before
// the window is first opened; the window only shows them.
#include "synth/Enumerations.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quavril {

class Generator;

class FrequencySliderModel {
public:
    // The design range: about 2.52 Hz to 20000 Hz; position 1000 is 20 Hz.
    static constexpr int DesignMinimum = 100;
    static constexpr int DesignMaximum = 4000;
    static constexpr int DesignPosition = 1000;

    int Minimum = DesignMinimum;                                 // common lower end of both sliders
    int Maximum = DesignMaximum;                                 // common upper end
    std::array<int, 2> Position{DesignPosition, DesignPosition}; // left, right
    bool RightEnabled = false;                                   // stereo only
    std::string MinFreqEdit = "2";                               // Hz
    std::string MaxFreqEdit;                                     // Hz, set when the window opens
    std::string txtRound = "1"; // rounding step of the left slider, Hz

    // --- The scale: f = 2 * 10^(p / 1000) Hz ------------------------------------------------
    static long double FrequencyAt(int position);
    // nearest(1000 log10(f / 2)), ties to even; f must be above 0.
    static int PositionOf(long double hz);
    // The sliders' upper end for a rate: nearest(1000 log10(fs div 4)), 4042 at 44100 Hz.
    static int MaximumFor(int32_t fs);
    // What a move of the left slider writes: the frequency as a 32-bit float rounded to a
    // multiple of `roundText` (read as a 32-bit float), at most 7 significant digits. A step
    // that is not a number above 0 leaves the frequency unrounded.
    static std::string LeftFrequencyText(int position, std::string_view roundText);
    // What a move of the right slider writes: whole hertz, whatever the rounding step.
    static std::string RightFrequencyText(int position);
    // The rounding field after it was left: the number in general format, or "1".
    static std::string NormalisedRound(std::string_view text);

    // A position inside the range (a slider clamps what it is given).
    int Clamp(int position) const;
    // The window is opened at rate fs: the upper end for fs, the max text fs div 2.
    void Open(int32_t fs);

    // What leaving a limit field did.
    struct ExitOutcome {
        bool Applied = false;                     // the range changed
        std::optional<std::string> InvalidNumber; // a text found not to be a number
    };
    // Leaving the min field: a number above 0 and below the max field becomes the lower end
    // of both sliders, raising either initial frequency that lies below it; otherwise the
    // field shows the current lower end again (whole hertz).
    ExitOutcome LeaveMin(Generator& g);
    // Leaving the max field: a number below fs / 2 and above the min field becomes the upper
    // end, lowering either initial frequency above it; otherwise the field shows the current
    // upper end.
    ExitOutcome LeaveMax(Generator& g);

private:
    // Writes `limit` into the initial frequency fields beyond it (below it for the lower end).
    // Stops at the first that is not a number and returns its text.
    static std::optional<std::string> MoveFrequenciesInside(Generator& g, float limit, bool lower);
};

} // namespace quavril
