// The stored settings of the windows: the auxiliary windows' visibility, places and widths,
// and the slider window's limits, applied as the start applies them and read back for the end.
#include "tests/ui/UiTestSupport.h"
#include "ui/QtUserDialogs.h"
#include "ui/TfrmFreqSlider.h"
#include "ui/TfrmFrequencyDisplay.h"
#include "ui/WindowPlacement.h"
#include "ui/WindowSettings.h"

#include <QMessageBox>
#include <QTimer>
#include <tuple>

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

// As the program ends, the generator window's close is seen first; the View windows close
// after it (the application closes every window as it quits) and are stored as they were.
TEST_F(StoredWindows, theViewWindowsAreStoredAsTheyWereBeforeTheyClosed) {
    WindowSettings stored(*session, *window);
    stored.SetFlag("frmFreqSlider", true);
    stored.SetFlag("frmFrequencyDisplay", true);
    stored.SetInteger("DisplayW", 260);
    Pump();
    const QPoint place = display->pos();
    window->close();
    display->close();
    freqSlider->close();
    display->move(place + QPoint(5, 5));
    EXPECT_FALSE(window->Menus().FreqSlider1->isChecked()) << "the close clears the mark";
    EXPECT_TRUE(stored.Flag("frmFreqSlider"));
    EXPECT_TRUE(stored.Flag("frmFrequencyDisplay"));
    EXPECT_EQ(stored.Integer("DisplayW"), 260);
    if (WindowSettings::PositionsKnown()) {
        EXPECT_EQ(stored.Integer("DisplayX"), place.x());
        EXPECT_EQ(stored.Integer("DisplayY"), place.y());
    }
}

// Two screens side by side, the right one shorter and with a panel at its top: a frame is
// moved as little as needed onto one screen.
TEST(KeptOnScreen, movesTheFrameAsLittleAsNeededOntoOneScreen) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 30, 1280, 994)};
    const std::vector<std::tuple<const char*, QRect, QPoint>> cases{
        {"inside", QRect(100, 100, 500, 400), QPoint(100, 100)},
        {"touching the corner", QRect(1420, 680, 500, 400), QPoint(1420, 680)},
        {"one pixel past the bottom", QRect(100, 681, 500, 400), QPoint(100, 680)},
        {"far right and down", QRect(9000, 9000, 500, 400), QPoint(2700, 624)},
        {"above and left", QRect(-300, -50, 500, 400), QPoint(0, 0)},
        {"mostly on the left screen", QRect(1600, 100, 500, 400), QPoint(1420, 100)},
        {"mostly on the right screen", QRect(1800, 100, 500, 400), QPoint(1920, 100)},
        {"under the right screen's panel", QRect(2000, 10, 500, 400), QPoint(2000, 30)},
        {"larger than the screen", QRect(500, 300, 2000, 1200), QPoint(0, 0)},
        {"taller than the screen, off its right", QRect(2500, 50, 300, 1100), QPoint(2500, 30)}};
    for (const auto& [name, frame, kept] : cases)
        EXPECT_EQ(WindowPlacement::KeptOnScreen(frame, screens), kept) << name;
}

// Enter in a question box gives the preset answer: the freeze question of the performance test
// is asked with No preset, so Enter never reports a freeze.
TEST(QuestionBox, enterGivesThePresetAnswer) {
    App();
    QtUserDialogs dialogs;
    for (const auto preset : {UserDialogs::Answer::Yes, UserDialogs::Answer::No}) {
        QString shown;
        QTimer::singleShot(0, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        const bool answer = dialogs.Question("Did it freeze?", preset);
        EXPECT_EQ(shown, "Did it freeze?");
        EXPECT_EQ(answer, preset == UserDialogs::Answer::Yes);
    }
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
