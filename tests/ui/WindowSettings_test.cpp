// The stored settings of the windows: the auxiliary windows' visibility, places and widths,
// and the slider window's limits, applied as the start applies them and read back for the end.
#include "tests/ui/UiTestSupport.h"
#include "ui/TfrmFreqSlider.h"
#include "ui/TfrmFrequencyDisplay.h"
#include "ui/WindowSettings.h"

using namespace quavril;
using namespace quavril::test;

namespace {

using StoredWindows = WindowTest;

TEST_F(StoredWindows, visibilityWidthsAndPlacesComeBackAsApplied) {
    WindowSettings stored(*session, *window);
    EXPECT_FALSE(stored.Flag("frmFreqSlider"));
    EXPECT_EQ(stored.Integer("SliderW"), freqSlider->width());
    stored.SetFlag("frmFreqSlider", true);
    stored.SetFlag("frmFrequencyDisplay", true);
    stored.SetInteger("SliderW", 900);
    stored.SetInteger("DisplayW", 300);
    stored.SetInteger("DisplayX", 40);
    stored.SetInteger("DisplayY", 60);
    Pump();
    EXPECT_TRUE(freqSlider->isVisible());
    EXPECT_TRUE(display->isVisible());
    EXPECT_EQ(stored.Integer("SliderW"), 900);
    EXPECT_EQ(stored.Integer("DisplayW"), 300);
    if (WindowSettings::PositionsKnown()) {
        EXPECT_EQ(display->pos(), QPoint(40, 60));
    }
    // Closing the program keeps the View marks that the next start reads.
    window->close();
    EXPECT_TRUE(stored.Flag("frmFreqSlider"));
    EXPECT_TRUE(stored.Flag("frmFrequencyDisplay"));
}

// Restored limits are the sliders' range at once, not only once a field is left.
TEST_F(StoredWindows, restoredLimitsApplyToTheSliderRange) {
    WindowSettings stored(*session, *window);
    stored.SetText("MinFreqEdit", "50");
    stored.SetText("MaxFreqEdit", "5000");
    stored.SetText("txtRound", "0.50");
    EXPECT_EQ(session->Slider().Minimum, FrequencySliderModel::PositionOf(50));
    EXPECT_EQ(session->Slider().Maximum, FrequencySliderModel::PositionOf(5000));
    EXPECT_EQ(stored.Text("txtRound"), "0.5");
    EXPECT_EQ(stored.Text("MinFreqEdit"), "50");
}

TEST_F(StoredWindows, aDeviceBeyondTodaysListSelectsTheDefaultDevice) {
    WindowSettings stored(*session, *window);
    stored.SetInteger("WaveDevice", 2);
    EXPECT_EQ(stored.Integer("WaveDevice"), 2);
    stored.SetInteger("WaveDevice", 7);
    EXPECT_EQ(stored.Integer("WaveDevice"), 0);
    EXPECT_EQ(window->WaveDevice->currentIndex(), 0);
}

} // namespace
