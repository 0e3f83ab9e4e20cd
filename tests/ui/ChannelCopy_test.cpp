// Copying one channel's settings onto the other from the panels' popup menus.
#include "tests/ui/UiTestSupport.h"
#include "ui/ExitLineEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

using namespace quavril;
using namespace quavril::test;

namespace {

class ChannelCopyMenu : public WindowTest {};

TEST_F(ChannelCopyMenu, leftToRightCopiesALogarithmicSweepWithModulation) {
    Choose(window->cboChannels, STEREO);
    Type(Right().PhaseEdit, "45");
    Leave();
    FrequencyGroup& l = *Left().Frequency;
    Click(l.chkSweep);
    Type(l.fInit, "20");
    Type(l.fFinal, "20000");
    Type(Left().Amplitude, "-6");
    Click(Left().ModulationOn);
    Choose(Left().ModFunction, MODSINE);
    Type(Left().ModDepthEdit, "50");
    Type(Left().ModPeriodEdit, "0.5");
    Type(Left().ModPhaseEdit, "90");
    Leave();
    ASSERT_TRUE(l.Logarithmic->isChecked());

    window->CopySettingsfromleftChannel1->trigger();
    FrequencyGroup& r = *Right().Frequency;
    EXPECT_TRUE(r.chkSweep->isChecked());
    EXPECT_TRUE(Shown(r.fFinal));
    EXPECT_EQ(r.fInit->text(), "20");
    EXPECT_EQ(r.fFinal->text(), "20000");
    EXPECT_TRUE(r.Logarithmic->isChecked());
    EXPECT_EQ(Right().Amplitude->text(), "-6");
    EXPECT_TRUE(Right().ModulationOn->isChecked());
    EXPECT_TRUE(Right().ModDepthEdit->isEnabled());
    EXPECT_EQ(Right().ModFunction->currentIndex(), MODSINE);
    EXPECT_EQ(Right().ModDepthEdit->text(), "50");
    EXPECT_EQ(Right().ModPeriodEdit->text(), "0.5");
    EXPECT_EQ(Right().ModPhaseEdit->text(), "90");
    EXPECT_EQ(Right().PhaseEdit->text(), "0");
    EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Right).FinalNorm, 20000.0f / 44100.0f);
    EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Right).ModDepthFraction, 0.5f);
}

TEST_F(ChannelCopyMenu, rightToLeftInMonoChangesTheLeftChannel) {
    Choose(window->cboChannels, STEREO);
    Choose(Right().WaveForm, TRIANGULAR);
    Type(Right().Frequency->fInit, "333");
    Leave();
    Choose(window->cboChannels, MONO);
    window->CopySettingsfromrightChannel1->trigger();
    EXPECT_EQ(Left().WaveForm->currentIndex(), TRIANGULAR);
    EXPECT_EQ(Left().Frequency->fInit->text(), "333");
    EXPECT_EQ(window->cboChannels->currentIndex(), MONO) << "the mode is not copied";
}

TEST_F(ChannelCopyMenu, copyInMonoChangesTheRightFields) {
    Type(Left().Frequency->fInit, "750");
    Leave();
    window->CopySettingsfromleftChannel1->trigger();
    EXPECT_EQ(Right().Frequency->fInit->text(), "750");
    EXPECT_FALSE(Right().Box->isEnabled());
}

TEST_F(ChannelCopyMenu, panelsOfferTheCopyOnARightClick) {
    EXPECT_EQ(Left().Box->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(window->mnuCopyRtoL->actions().value(0), window->CopySettingsfromrightChannel1);
    EXPECT_EQ(window->mnuCopyLtoR->actions().value(0), window->CopySettingsfromleftChannel1);
}

} // namespace
