// Reset settings (Presets menu, Ctrl+Z).
#include "synth/Messages.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ExitLineEdit.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>

using namespace quavril;
using namespace quavril::test;

namespace {

class ResetSettings : public WindowTest {};

TEST_F(ResetSettings, putsEverySettingBack) {
    Choose(window->cboChannels, STEREO);
    Choose(window->WaveDevice, 2);
    Click(window->Loop);
    Type(window->Duration, "3");
    Leave();
    for (ChannelPanel* p : {&Left(), &Right()}) {
        Click(p->Frequency->chkSweep);
        Click(p->Frequency->Logarithmic);
        Click(p->Frequency->Bidirectional);
        Choose(p->WaveForm, SAWTOOTH);
        Click(p->ModulationOn);
        Type(p->ModDepthEdit, "50");
        Type(p->ModPeriodEdit, "2");
        Type(p->ModPhaseEdit, "45");
        Choose(p->ModFunction, MODTRIANGLE);
        Type(p->Frequency->fInit, "440");
        Type(p->Amplitude, "-20");
        Leave();
    }
    window->btnPause->setFocus();
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);

    EXPECT_EQ(window->cboChannels->currentIndex(), MONO);
    EXPECT_EQ(window->WaveDevice->currentIndex(), 0);
    EXPECT_EQ(window->AudioOut1().WaveDevice(), -1);
    EXPECT_FALSE(window->Loop->isChecked());
    EXPECT_EQ(window->Duration->text(), "10");
    for (ChannelPanel* p : {&Left(), &Right()}) {
        const Channel c = p->Side;
        EXPECT_TRUE(p->Frequency->chkConstant->isChecked());
        EXPECT_TRUE(p->Frequency->Logarithmic->isChecked());
        EXPECT_FALSE(p->Frequency->Bidirectional->isChecked());
        EXPECT_EQ(p->WaveForm->currentIndex(), SINE);
        EXPECT_FALSE(p->ModulationOn->isChecked());
        EXPECT_FALSE(p->ModDepthEdit->isEnabled());
        EXPECT_EQ(p->ModDepthEdit->text(), "100");
        EXPECT_EQ(p->ModPeriodEdit->text(), "1");
        EXPECT_EQ(p->ModPhaseEdit->text(), "0");
        EXPECT_EQ(p->ModFunction->currentIndex(), MODSINE);
        EXPECT_EQ(p->Frequency->fInit->text(), "1000");
        EXPECT_EQ(p->Frequency->fFinal->text(), "10000");
        EXPECT_EQ(p->Amplitude->text(), "0");
        EXPECT_EQ(p->barAmplitude->value(), 0);
        EXPECT_TRUE(Shown(p->Frequency->SemiUp));
        EXPECT_FLOAT_EQ(Gen().State().Of(c).InitNorm, 1000.0f / 44100.0f);
        EXPECT_FLOAT_EQ(Gen().State().Of(c).AmplitudeGain, 1.0f);
    }
    EXPECT_EQ(Right().PhaseEdit->text(), "0");
    EXPECT_TRUE(Left().Tick->isChecked());
    EXPECT_EQ(window->SliderModel().MinFreqEdit, "20");
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(ResetSettings, sliderLimitIsHalfTheOutputsCurrentFrameRate) {
    EXPECT_EQ(window->SliderModel().MaxFreqEdit, "11025") << "before any playback: 22050 Hz";
    Click(window->btnON);
    Pump();
    Click(window->btnOFF);
    Pump();
    window->Menus().rESETTOdEFAULT1->trigger();
    EXPECT_EQ(window->SliderModel().MaxFreqEdit, "22050");
}

// Nobody typed the defaults: a reset lowers them without the message a user's entry gets.
TEST_F(ResetSettings, atALowRateTheFinalFieldsAreClampedSilently) {
    settings->show();
    Choose(settings->FsList, 1); // 11025 Hz
    dialogs.Messages.clear();
    window->Menus().rESETTOdEFAULT1->trigger();
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_EQ(Left().Frequency->fFinal->text(), "5512.5");
    EXPECT_EQ(Right().Frequency->fFinal->text(), "5512.5");
}

TEST_F(ResetSettings, presetsMenuIsLockedWhilePlaying) {
    Click(window->btnON);
    Pump();
    EXPECT_FALSE(window->Menus().rESETTOdEFAULT1->isEnabled() &&
                 window->Menus().Presets1->menuAction()->isEnabled());
}

} // namespace
