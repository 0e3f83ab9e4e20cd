// The frequency slider's scale and texts without a window: f = 2 * 10^(p / 1000), positions
// rounded to even, the left slider's rounding step and the right slider's whole hertz.
#include "session/FrequencySliderModel.h"
#include "synth/NumberText.h"

#include <gtest/gtest.h>

using namespace quavril;

namespace {

// The sliders' top for a rate, and the whole hertz shown for it.
TEST(FrequencySliderScale, upperEndFollowsTheRate) {
    struct Case {
        int32_t Fs;
        int Maximum;
        long double TopHz;
    };
    for (const Case c : {Case{44100, 4042, 22031}, Case{48000, 4079, 23990},
                         Case{96000, 4380, 47977}, Case{8000, 3301, 4000}}) {
        EXPECT_EQ(FrequencySliderModel::MaximumFor(c.Fs), c.Maximum) << c.Fs;
        EXPECT_EQ(RoundEven(FrequencySliderModel::FrequencyAt(c.Maximum)), c.TopHz) << c.Fs;
    }
    EXPECT_EQ(FrequencySliderModel::PositionOf(1000), 2699);
    EXPECT_EQ(FrequencySliderModel::PositionOf(20), 1000);
    EXPECT_EQ(FrequencySliderModel::PositionOf(2), 0);
}

TEST(FrequencySliderScale, slidersWriteRoundedFrequencies) {
    struct Case {
        int Position;
        const char* Round;
        const char* Left;
        const char* Right;
    };
    for (const Case c : {Case{2699, "1", "1000", "1000"}, Case{2700, "1", "1002", "1002"},
                         Case{3391, "0.1", "4920.7", "4921"}, Case{3391, "50", "4900", "4921"},
                         Case{100, "1", "3", "3"}}) {
        EXPECT_EQ(FrequencySliderModel::LeftFrequencyText(c.Position, c.Round), c.Left)
            << c.Position << " step " << c.Round;
        EXPECT_EQ(FrequencySliderModel::RightFrequencyText(c.Position), c.Right) << c.Position;
    }
    // A step that is no number above 0 leaves the frequency unrounded instead of failing.
    for (const char* step : {"0", "-5", "abc", ""})
        EXPECT_EQ(FrequencySliderModel::LeftFrequencyText(3391, step), "4920.735") << step;
}

} // namespace
