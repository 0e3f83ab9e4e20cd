// The generator window's controls and refresh rules, driven as a user would.
#include "synth/ListItems.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DesignLayout.h"
#include "ui/ExitLineEdit.h"
#include "ui/StatusLamp.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

using namespace quavril;
using namespace quavril::test;

namespace {

class GeneratorWindow : public WindowTest {};

TEST_F(GeneratorWindow, startsLikeAResetMonoThousandHertzSine) {
    EXPECT_EQ(window->cboChannels->currentIndex(), MONO);
    EXPECT_EQ(Left().Frequency->fInit->text(), "1000");
    EXPECT_EQ(Left().Frequency->fFinal->text(), "10000");
    EXPECT_EQ(window->Duration->text(), "10");
    EXPECT_FALSE(window->Loop->isChecked());
    EXPECT_EQ(Left().WaveForm->currentIndex(), SINE);
    EXPECT_EQ(Left().ModFunction->currentIndex(), MODSINE);
    EXPECT_TRUE(Left().Frequency->Logarithmic->isChecked());
    EXPECT_EQ(window->windowTitle(), "Quavril 3.92");
    EXPECT_TRUE(window->btnON->isDefault());
    EXPECT_EQ(window->LED->Colour(), StatusLamp::Off);
}

TEST_F(GeneratorWindow, listsHoldTheirItemsWithTheNoiseKeys) {
    QComboBox* wave = Left().WaveForm;
    ASSERT_EQ(wave->count(), 9);
    ASSERT_EQ(Left().ModFunction->count(), 4);
    ASSERT_EQ(window->cboChannels->count(), 2);
    for (int i = 0; i < 9; ++i) {
        const QString text = wave->itemText(i);
        EXPECT_EQ(text.contains("noise"), i == WHITE || i == PINK) << i;
        EXPECT_EQ(text.contains("oise"), i >= WHITE) << i;
        EXPECT_FALSE(wave->itemData(i, Qt::UserRole).value<QPixmap>().isNull()) << i;
    }
    EXPECT_EQ(Left().ModFunction->itemText(MODSQUARE), wave->itemText(SQUARE));
    EXPECT_EQ(Left().ModFunction->itemText(MODTRIANGLE), wave->itemText(TRIANGULAR));
}

TEST_F(GeneratorWindow, deviceListHasTheDefaultEntryFirst) {
    ASSERT_EQ(window->WaveDevice->count(), 3);
    Choose(window->WaveDevice, 2);
    EXPECT_EQ(window->AudioOut1().WaveDevice(), 1);
    Choose(window->WaveDevice, 0);
    EXPECT_EQ(window->AudioOut1().WaveDevice(), -1);
}

TEST_F(GeneratorWindow, noTextIsClippedAndTheClientAreaKeepsItsProportions) {
    const auto clipped = window->Layout().ClippedWidgets();
    for (QWidget* w : clipped)
        ADD_FAILURE() << "clipped: " << w->objectName().toStdString();
    const QWidget* client = window->centralWidget();
    const double scale = window->Layout().Scale();
    EXPECT_GE(scale, 1.0);
    EXPECT_NEAR(client->width(), 466 * scale, 1.0);
    EXPECT_NEAR(client->height(), 436 * scale, 1.0);
    // The panels sit side by side and do not overlap.
    EXPECT_LT(Left().Box->geometry().right(), Right().Box->geometry().left());
}

TEST_F(GeneratorWindow, stereoEnablesTheRightPanelAndShowsThePhase) {
    EXPECT_FALSE(Right().Box->isEnabled());
    EXPECT_FALSE(Left().Tick->isEnabled());
    EXPECT_FALSE(Shown(Right().PhaseEdit));

    Choose(window->cboChannels, STEREO);
    EXPECT_TRUE(Right().Box->isEnabled());
    EXPECT_TRUE(Right().Frequency->fInit->isEnabled());
    EXPECT_TRUE(Left().Tick->isEnabled());
    EXPECT_TRUE(Right().Tick->isEnabled());
    EXPECT_TRUE(Shown(Right().PhaseEdit));
    EXPECT_TRUE(window->SliderModel().RightEnabled);
    EXPECT_FALSE(Right().WaveForm->GreyText());
}

TEST_F(GeneratorWindow, monoTicksBothChannelsResetsThePhaseAndGreysTheRightPanel) {
    Choose(window->cboChannels, STEREO);
    ASSERT_TRUE(Shown(Right().PhaseEdit));
    Click(Left().Tick);
    EXPECT_FALSE(Left().Tick->isChecked());
    Type(Right().PhaseEdit, "90");
    Choose(window->cboChannels, MONO);
    EXPECT_TRUE(Left().Tick->isChecked());
    EXPECT_TRUE(Right().Tick->isChecked());
    EXPECT_FALSE(Left().Tick->isEnabled());
    EXPECT_EQ(Right().PhaseEdit->text(), "0");
    EXPECT_EQ(Gen().State().PhaseOffset, 0.0f);
    EXPECT_FALSE(Shown(Right().PhaseEdit));
    EXPECT_FALSE(Right().Box->isEnabled());
    EXPECT_FALSE(window->SliderModel().RightEnabled);
    EXPECT_TRUE(Right().WaveForm->GreyText());
    EXPECT_EQ(Gen().State().Of(Channel::Left).ChannelEnable, 1);
}

TEST_F(GeneratorWindow, noiseHidesThePhaseEvenWhenTheOtherChannelIsPeriodic) {
    Choose(window->cboChannels, STEREO);
    Choose(Left().WaveForm, PINK);
    EXPECT_FALSE(Shown(Right().PhaseEdit));
    Choose(window->cboChannels, MONO);
    Choose(window->cboChannels, STEREO);
    EXPECT_FALSE(Shown(Right().PhaseEdit)) << "a noise channel keeps the phase hidden";
    Choose(Left().WaveForm, SINE);
    EXPECT_TRUE(Shown(Right().PhaseEdit));
}

TEST_F(GeneratorWindow, nonPeriodicWaveformsHideTheFrequencyGroup) {
    Choose(window->cboChannels, STEREO);
    for (int w : {WHITE, PINK, SILENCE, PULSEPOS, PULSENEG}) {
        Choose(Right().WaveForm, w);
        EXPECT_FALSE(Shown(Right().Frequency->Box)) << w;
        EXPECT_FALSE(Shown(Right().PhaseEdit)) << w;
        EXPECT_TRUE(Shown(Left().Frequency->Box)) << w;
    }
    Choose(Right().WaveForm, SAWTOOTH);
    EXPECT_TRUE(Shown(Right().Frequency->Box));
    EXPECT_TRUE(Shown(Right().PhaseEdit));
}

TEST_F(GeneratorWindow, silenceOnOneChannelLeavesThePhaseAsTheLastPeriodicChoiceSetIt) {
    Choose(window->cboChannels, STEREO);
    Choose(Left().WaveForm, SILENCE); // hides the phase
    EXPECT_FALSE(Shown(Right().PhaseEdit));
    Choose(Right().WaveForm, SQUARE); // periodic: the phase rule runs, no noise anywhere
    EXPECT_TRUE(Shown(Right().PhaseEdit));
}

TEST_F(GeneratorWindow, loopEnablesBidirectionalLeftAlwaysAndRightOnlyInStereo) {
    Click(Left().Frequency->chkSweep);
    EXPECT_FALSE(Left().Frequency->Bidirectional->isEnabled());
    Click(window->Loop);
    EXPECT_TRUE(window->Loop->isChecked());
    EXPECT_TRUE(Left().Frequency->Bidirectional->isEnabled());
    EXPECT_FALSE(Right().Frequency->Bidirectional->isEnabled());
    Choose(window->cboChannels, STEREO);
    EXPECT_TRUE(Right().Frequency->Bidirectional->isEnabled());
    Click(window->Loop);
    EXPECT_FALSE(Left().Frequency->Bidirectional->isEnabled());
    EXPECT_FALSE(Right().Frequency->Bidirectional->isEnabled());
}

TEST_F(GeneratorWindow, bothChannelsOffDisablesTheStartAndTheExport) {
    Choose(window->cboChannels, STEREO);
    Click(Left().Tick);
    EXPECT_FALSE(Right().PhaseEdit->isEnabled());
    EXPECT_TRUE(window->btnON->isEnabled());
    Click(Right().Tick);
    // The start commands (the On button and the On item, Off1, F11) go; Off (OnOff1) stays.
    EXPECT_FALSE(window->btnON->isEnabled());
    EXPECT_FALSE(window->Menus().Off1->isEnabled());
    EXPECT_TRUE(window->Menus().OnOff1->isEnabled());
    EXPECT_FALSE(window->Menus().SaveWaveFile1->isEnabled());
    EXPECT_EQ(Gen().State().Of(Channel::Right).ChannelEnable, 0);
    QTest::keyClick(window.get(), Qt::Key_F11);
    Pump();
    EXPECT_FALSE(session->Playing()) << "F11 starts no silent signal";
    Click(Right().Tick);
    EXPECT_TRUE(window->btnON->isEnabled());
    EXPECT_TRUE(window->Menus().Off1->isEnabled());
    EXPECT_TRUE(window->Menus().SaveWaveFile1->isEnabled());
    EXPECT_FALSE(Right().PhaseEdit->isEnabled());
    Click(Left().Tick);
    EXPECT_TRUE(Right().PhaseEdit->isEnabled());
}

TEST_F(GeneratorWindow, modulationBoxEnablesItsControls) {
    EXPECT_FALSE(Left().ModDepthEdit->isEnabled());
    EXPECT_TRUE(Left().ModFunction->GreyText());
    Click(Left().ModulationOn);
    EXPECT_TRUE(Left().ModDepthEdit->isEnabled());
    EXPECT_TRUE(Left().ModPeriodEdit->isEnabled());
    EXPECT_TRUE(Left().ModPhaseEdit->isEnabled());
    EXPECT_TRUE(Left().ModFunction->isEnabled());
    EXPECT_FALSE(Left().ModFunction->GreyText());
    for (QLabel* l : Left().ModulationLabels)
        EXPECT_TRUE(l->isEnabled());
    Click(Left().ModulationOn);
    EXPECT_FALSE(Left().ModPeriodEdit->isEnabled());
}

TEST_F(GeneratorWindow, amplitudeSliderAndEditFollowEachOther) {
    QSlider* bar = Left().barAmplitude;
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_PageDown); // 10 dB more attenuation
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(Left().Amplitude->text(), "-10");
    EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Left).AmplitudeGain, 0.31622776f);
    Type(Left().Amplitude, "-3.6");
    Leave();
    EXPECT_EQ(Left().Amplitude->text(), "-4");
    EXPECT_EQ(bar->value(), 4);
}

TEST_F(GeneratorWindow, sampleRateLabelShowsKilohertz) {
    EXPECT_EQ(GeneratorSession::SampleRateText(44100), "fs = 44.1 kHz");
    EXPECT_EQ(GeneratorSession::SampleRateText(48000), "fs = 48 kHz");
    EXPECT_EQ(GeneratorSession::SampleRateText(22050), "fs = 22.05 kHz");
    EXPECT_EQ(GeneratorSession::SampleRateText(96000), "fs = 96 kHz");
    EXPECT_EQ(window->lblFS->text(), "fs = 44.1 kHz");
}

// The user's keys reach the menu items: F11 on, F9 off, F7 recalls slot 3, Shift+F8 stores
// into slot 4, Ctrl+Z resets, Ctrl+T asks for a wave file's name.
TEST_F(GeneratorWindow, menuKeysDoWhatTheirItemsDo) {
    QTest::keyClick(window.get(), Qt::Key_F11);
    Pump();
    EXPECT_TRUE(window->GeneratorRunning());
    QTest::keyClick(window.get(), Qt::Key_F9);
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
    session->Bank().Slot(3).fInitLeft = "333";
    QTest::keyClick(window.get(), Qt::Key_F7);
    EXPECT_EQ(Text(TextField::fInitLeft), "333");
    QTest::keyClick(window.get(), Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(session->Bank().Slot(4).fInitLeft, "333");
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(TextField::fInitLeft), "1000");
    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(dialogs.SaveRequests.size(), 1u);
    // Separators after: New window, Save wave, Save preset, editor (File menu).
    int separators = 0;
    for (QAction* a : window->Menus().File1->actions())
        separators += a->isSeparator();
    EXPECT_EQ(separators, 4);
}

} // namespace
