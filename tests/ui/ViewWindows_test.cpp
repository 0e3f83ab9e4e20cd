// The View menu's windows as the user meets them: the frequency slider (its scale at two
// rates, the rounding of the left slider, the limit fields and their refusals, its fixed
// height) and the frequency display (its text in mono and stereo, only while shown, and its
// font and height that follow the width); and Tools > Performance test.
#include "tests/ui/UiTestSupport.h"

#include <QResizeEvent>

using namespace quavril;
using namespace quavril::test;

namespace {

class ViewWindows : public WindowTest {
protected:
    void Menu(Qt::Key key) {
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), key, Qt::ControlModifier);
        Pump();
    }
    void OpenSlider() {
        Menu(Qt::Key_F);
        ASSERT_TRUE(freqSlider->isVisible());
    }
    // The user moves a slider one step to `position` with the arrow key.
    static void MoveSlider(QSlider* slider, int position) {
        {
            const QSignalBlocker blocker(slider);
            slider->setValue(position - 1);
        }
        slider->setFocus(Qt::TabFocusReason);
        QTest::keyClick(slider, Qt::Key_Right);
    }
    // Typing into a field of the slider window, then leaving it with Tab.
    void Enter(QLineEdit* edit, const QString& text) {
        QApplication::setActiveWindow(freqSlider.get());
        Type(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
        Pump();
    }
    QSlider* LeftSlider() { return freqSlider->FreqSliderLeft; }
    QSlider* RightSlider() { return freqSlider->FreqSliderRight; }
    void Start() {
        Click(window->btnON);
        Pump();
    }
};

struct RateCase {
    int FsPosition;
    int Maximum;
    const char* MaxText;
    const char* RefusedText; // the top of the range after leaving the max field unchanged
};

class SliderAtRate : public ViewWindows, public ::testing::WithParamInterface<RateCase> {};

// Opening sets the range top for the rate and both channels constant; the max field must stay
// below half the rate, so leaving it unchanged (by Enter) puts back the top's whole hertz.
TEST_P(SliderAtRate, opensAtTheRateAndRefusesHalfTheRate) {
    const RateCase& c = GetParam();
    EXPECT_EQ(LeftSlider()->maximum(), FrequencySliderModel::DesignMaximum) << "never opened";
    settings->FsListChange(c.FsPosition);
    Click(Left().Frequency->chkSweep);
    OpenSlider();
    EXPECT_TRUE(window->Menus().FreqSlider1->isChecked());
    EXPECT_TRUE(Left().Frequency->chkConstant->isChecked());
    EXPECT_EQ(LeftSlider()->maximum(), c.Maximum);
    EXPECT_EQ(RightSlider()->maximum(), c.Maximum);
    EXPECT_EQ(freqSlider->MaxFreqEdit->text(), c.MaxText);
    QApplication::setActiveWindow(freqSlider.get());
    freqSlider->MaxFreqEdit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(freqSlider->MaxFreqEdit, Qt::Key_Return);
    EXPECT_TRUE(LeftSlider()->hasFocus()) << "Enter activates the left slider";
    EXPECT_EQ(freqSlider->MaxFreqEdit->text(), c.RefusedText);
    EXPECT_EQ(LeftSlider()->maximum(), c.Maximum);
    freqSlider->close();
    EXPECT_FALSE(freqSlider->isVisible());
    EXPECT_FALSE(window->Menus().FreqSlider1->isChecked());
}

INSTANTIATE_TEST_SUITE_P(Rates, SliderAtRate,
                         ::testing::Values(RateCase{3, 4042, "22050", "22031"},
                                           RateCase{4, 4079, "24000", "23990"}));

struct MoveCase {
    Channel Side;
    const char* Round;
    int Position;
    const char* Written;
};

class SliderMove : public ViewWindows, public ::testing::WithParamInterface<MoveCase> {};

// A move switches the channel to constant and writes its frequency while the tone plays on.
TEST_P(SliderMove, writesTheRoundedFrequencyAndGoesConstant) {
    const MoveCase& c = GetParam();
    ChannelPanel& panel = c.Side == Channel::Left ? Left() : Right();
    Choose(window->cboChannels, STEREO);
    OpenSlider();
    Click(panel.Frequency->chkSweep);
    Enter(freqSlider->txtRound, c.Round);
    Start();
    ASSERT_TRUE(session->Playing());
    MoveSlider(c.Side == Channel::Left ? LeftSlider() : RightSlider(), c.Position);
    EXPECT_EQ(panel.Frequency->fInit->text(), c.Written);
    EXPECT_TRUE(panel.Frequency->chkConstant->isChecked());
    EXPECT_TRUE(session->Playing()) << "the tone glides to the new frequency";
    const float hz = Gen().State().Of(c.Side).InitNorm * Gen().SampleRate();
    EXPECT_NEAR(hz, std::stof(c.Written), 0.01f);
}

INSTANTIATE_TEST_SUITE_P(Moves, SliderMove,
                         ::testing::Values(MoveCase{Channel::Left, "1", 2699, "1000"},
                                           MoveCase{Channel::Left, "1", 2700, "1002"},
                                           MoveCase{Channel::Left, "0.1", 3391, "4920.7"},
                                           MoveCase{Channel::Left, "50", 3391, "4900"},
                                           MoveCase{Channel::Right, "50", 3391, "4921"}));

// The field moves the slider; the slider's handler does not run (a step of 7 would have
// written 1001), and a frequency above the range leaves the slider at its top.
TEST_F(ViewWindows, typedFrequenciesMoveTheSliderOnly) {
    OpenSlider();
    Enter(freqSlider->txtRound, "7");
    Type(Left().Frequency->fInit, "1000");
    EXPECT_EQ(LeftSlider()->value(), 2699);
    EXPECT_EQ(Left().Frequency->fInit->text(), "1000");
    Enter(freqSlider->MaxFreqEdit, "10000");
    EXPECT_EQ(LeftSlider()->maximum(), 3699);
    QApplication::setActiveWindow(window.get());
    Type(Left().Frequency->fInit, "15000");
    EXPECT_EQ(LeftSlider()->value(), 3699);
    EXPECT_EQ(Left().Frequency->fInit->text(), "15000");
}

struct LimitCase {
    bool MinField;
    const char* Typed;
    const char* Shown; // after leaving
    int Minimum;
    int Maximum;
};

class SliderLimits : public ViewWindows, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(SliderLimits, leavingAFieldSetsTheRangeOrPutsTheEndBack) {
    const LimitCase& c = GetParam();
    OpenSlider();
    QLineEdit* field = c.MinField ? freqSlider->MinFreqEdit : freqSlider->MaxFreqEdit;
    Enter(field, c.Typed);
    EXPECT_EQ(field->text(), c.Shown);
    for (QSlider* slider : {LeftSlider(), RightSlider()}) {
        EXPECT_EQ(slider->minimum(), c.Minimum);
        EXPECT_EQ(slider->maximum(), c.Maximum);
    }
    EXPECT_TRUE(dialogs.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Fields, SliderLimits,
                         ::testing::Values(LimitCase{true, "2", "2", 0, 4042},
                                           LimitCase{true, "0", "3", 100, 4042},
                                           LimitCase{true, "30000", "3", 100, 4042},
                                           LimitCase{true, "x", "3", 100, 4042},
                                           LimitCase{false, "10000", "10000", 100, 3699},
                                           LimitCase{false, "22050", "22031", 100, 4042},
                                           LimitCase{false, "10", "22031", 100, 4042}));

TEST_F(ViewWindows, aRaisedMinimumRaisesBothFrequencies) {
    Choose(window->cboChannels, STEREO);
    OpenSlider();
    Enter(freqSlider->MinFreqEdit, "1500");
    EXPECT_EQ(LeftSlider()->minimum(), 2875);
    EXPECT_EQ(Left().Frequency->fInit->text(), "1500");
    EXPECT_EQ(Right().Frequency->fInit->text(), "1500");
    EXPECT_EQ(LeftSlider()->value(), 2875);
}

// Restored texts count when a field is next left; an unreadable other field is reported.
TEST_F(ViewWindows, aLimitFieldReportsAnUnreadableOtherField) {
    OpenSlider();
    freqSlider->SetFieldTexts("5", "abc", "1");
    EXPECT_EQ(freqSlider->MaxFreqText(), "abc");
    QApplication::setActiveWindow(freqSlider.get());
    freqSlider->MinFreqEdit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(freqSlider->MinFreqEdit, Qt::Key_Tab);
    EXPECT_EQ(CountMessages("'abc' is not a valid floating point value"), 1u);
    EXPECT_EQ(LeftSlider()->minimum(), 100);
    EXPECT_EQ(freqSlider->MinFreqText(), "5");
}

TEST_F(ViewWindows, roundingFieldIsNormalisedOnLeaving) {
    OpenSlider();
    Enter(freqSlider->txtRound, "0.50");
    EXPECT_EQ(freqSlider->RoundText(), "0.5");
    Enter(freqSlider->txtRound, "x");
    EXPECT_EQ(freqSlider->RoundText(), "1");
}

// The user changes the width only, never below 275; the right slider is usable in stereo only.
TEST_F(ViewWindows, sliderWindowKeepsItsHeightAndMinimumWidth) {
    OpenSlider();
    const int height = freqSlider->FixedHeight();
    EXPECT_EQ(freqSlider->height(), height);
    for (const QSize asked : {QSize(200, 500), QSize(400, 50)}) {
        QResizeEvent drag(asked, freqSlider->size());
        QApplication::sendEvent(freqSlider.get(), &drag);
        Pump();
        EXPECT_EQ(freqSlider->size(), QSize(std::max(asked.width(), 275), height));
        EXPECT_EQ(LeftSlider()->width(), freqSlider->width() - 15);
        EXPECT_EQ(freqSlider->MaxFreqEdit->x(), freqSlider->width() - 75);
    }
    EXPECT_FALSE(RightSlider()->isEnabled());
    Choose(window->cboChannels, STEREO);
    EXPECT_TRUE(RightSlider()->isEnabled());
}

struct DisplaySize {
    int Width;
    int Mode;
    int Points;
    int Height;
};

class DisplayResize : public ViewWindows, public ::testing::WithParamInterface<DisplaySize> {};

TEST_P(DisplayResize, fontAndHeightFollowTheWidth) {
    const DisplaySize& c = GetParam();
    Choose(window->cboChannels, c.Mode);
    Menu(Qt::Key_D);
    ASSERT_TRUE(display->isVisible());
    display->resize(c.Width, 40);
    Pump();
    EXPECT_EQ(display->size(), QSize(c.Width, c.Height));
    EXPECT_EQ(display->lblDisplay->font().pointSize(), c.Points);
}

INSTANTIATE_TEST_SUITE_P(Widths, DisplayResize,
                         ::testing::Values(DisplaySize{224, MONO, 24, 90},
                                           DisplaySize{224, STEREO, 24, 180},
                                           DisplaySize{100, MONO, 11, 60},
                                           DisplaySize{100, STEREO, 11, 120}));

// One line in mono, two in stereo; the text stays after a stop and is not written while the
// window is hidden.
TEST_F(ViewWindows, displayShowsTheFrequenciesOnlyWhileShown) {
    QLabel* text = display->lblDisplay;
    Type(Left().Frequency->fInit, "1000");
    Leave();
    Menu(Qt::Key_D);
    EXPECT_TRUE(window->Menus().FrequencyDisplay1->isChecked());
    EXPECT_EQ(display->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    Start();
    EXPECT_EQ(text->text(), "1000 Hz");
    Click(window->btnOFF);
    Pump();
    EXPECT_EQ(text->text(), "1000 Hz") << "kept after the stop";
    Choose(window->cboChannels, STEREO);
    Type(Right().Frequency->fInit, "1500");
    Leave();
    Start();
    EXPECT_EQ(text->text(), "1000 Hz\n1500 Hz");
    Click(window->btnOFF);
    display->close();
    EXPECT_FALSE(window->Menus().FrequencyDisplay1->isChecked());
    Type(Left().Frequency->fInit, "2000");
    Leave();
    Start();
    EXPECT_EQ(text->text(), "1000 Hz\n1500 Hz") << "not written while hidden";
    Click(window->btnOFF);
    Menu(Qt::Key_D);
    EXPECT_EQ(text->text(), "1000 Hz\n1500 Hz") << "the old text until the next buffer";
    Menu(Qt::Key_D);
    EXPECT_FALSE(display->isVisible());
}

// A channel without a frequency (noise, silence, a pulse) shows its waveform's name, in mono
// and beside a periodic channel in stereo.
TEST_F(ViewWindows, displayNamesTheWaveformOfAChannelWithoutFrequency) {
    struct Case {
        int Mode, Left, Right;
        const char* Shown;
    };
    const Case cases[] = {{MONO, PINK, SINE, "Pink noise"},
                          {MONO, WHITE, SINE, "White noise"},
                          {STEREO, SINE, SILENCE, "1000 Hz\nSilence"},
                          {STEREO, PULSEPOS, PULSENEG, "Positive pulse\nNegative pulse"},
                          {STEREO, SAWTOOTH, SQUARE, "1000 Hz\n1000 Hz"}};
    Menu(Qt::Key_D);
    for (const Case& c : cases) {
        Choose(window->cboChannels, c.Mode);
        Choose(Left().WaveForm, c.Left);
        if (c.Mode == STEREO)
            Choose(Right().WaveForm, c.Right);
        Start();
        EXPECT_EQ(display->lblDisplay->text(), c.Shown);
        Click(window->btnOFF);
        Pump();
    }
}

// Tools > Performance test asks first; Cancel ends it with nothing changed.
TEST_F(ViewWindows, performanceTestStartsFromTheToolsMenu) {
    dialogs.Answers = {false};
    Menu(Qt::Key_P);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Kind, "confirm");
    EXPECT_TRUE(dialogs.Messages[0].Text.startsWith("This test will check the performance"));
    EXPECT_TRUE(window->Menus().CompatibilityTest1->isEnabled());
}

} // namespace
