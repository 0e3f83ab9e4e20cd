// The frequency group: constant or sweep, the step buttons and leaving a frequency field.
#include "synth/Messages.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ExitLineEdit.h"
#include "ui/PressButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <tuple>

using namespace quavril;
using namespace quavril::test;

namespace {

const QString Nyquist = QString::fromLatin1(messages::Nyquist);

class FrequencyEntry : public WindowTest {
protected:
    FrequencyGroup& L() { return *Left().Frequency; }
    FrequencyGroup& R() { return *Right().Frequency; }
    // Sets the left initial field as typed and left.
    void SetInit(const QString& text) {
        Type(L().fInit, text);
        Leave();
    }
    void Press(QPushButton* b, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(b, button);
        QTest::mouseRelease(b, button);
    }
};

TEST_F(FrequencyEntry, sweepShowsTheFinalFieldAndHidesTheSteps) {
    EXPECT_TRUE(Shown(L().SemiUp));
    EXPECT_FALSE(Shown(L().fFinal));
    Click(L().chkSweep);
    EXPECT_FALSE(Gen().Settings(Channel::Left).Constant);
    for (QWidget* w :
         {static_cast<QWidget*>(L().FromLabel), static_cast<QWidget*>(L().ToLabel),
          static_cast<QWidget*>(L().fFinal), static_cast<QWidget*>(L().fFinalHz),
          static_cast<QWidget*>(L().Logarithmic), static_cast<QWidget*>(L().Bidirectional)})
        EXPECT_TRUE(Shown(w)) << w->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(L().SemiUp), static_cast<QWidget*>(L().SemiDown),
                       static_cast<QWidget*>(L().fInitPlus), static_cast<QWidget*>(L().fInitMinus)})
        EXPECT_FALSE(Shown(w)) << w->objectName().toStdString();
    EXPECT_FALSE(L().Bidirectional->isEnabled()) << "greyed while Loop is off";
    Click(L().chkConstant);
    EXPECT_TRUE(Shown(L().SemiUp));
    EXPECT_FALSE(Shown(L().fFinal));
}

// The generator keeps the 32-bit results; the field shows them rounded to 5 decimals, in a font
// small enough that nothing is cut.
TEST_F(FrequencyEntry, semitoneStepsKeepThirtyTwoBitValues) {
    SetInit("440");
    Click(L().SemiUp);
    EXPECT_EQ(Gen().Text(TextField::fInitLeft), "466.163757324219");
    EXPECT_EQ(L().fInit->text(), "466.16376");
    EXPECT_LE(L().fInit->fontMetrics().horizontalAdvance(L().fInit->text()), L().fInit->TextRoom());
    SetInit("440");
    Click(L().SemiDown);
    EXPECT_EQ(Gen().Text(TextField::fInitLeft), "415.3046875");
    EXPECT_EQ(L().fInit->text(), "415.30469");
    // The step reaches the engine at once.
    EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Left).InitNorm, 415.3046875f / 44100.0f);
}

TEST_F(FrequencyEntry, semitoneUpStopsBelowHalfTheSampleRate) {
    SetInit("21000");
    Click(L().SemiUp);
    EXPECT_EQ(L().fInit->text(), "21000");
    SetInit("22050");
    Click(L().SemiUp);
    EXPECT_EQ(L().fInit->text(), "22050");
}

TEST_F(FrequencyEntry, semitoneDownFromTheMinimumGoesBelowIt) {
    SetInit("0.1");
    Click(L().SemiDown);
    EXPECT_LT(L().fInit->text().toDouble(), 0.1);
    L().fInit->setFocus(Qt::TabFocusReason);
    Leave();
    EXPECT_EQ(L().fInit->text(), "0.1");
}

TEST_F(FrequencyEntry, oneHertzStepsActOnThePressOfAnyButton) {
    SetInit("100");
    Press(L().fInitPlus);
    EXPECT_EQ(L().fInit->text(), "101");
    Press(L().fInitPlus, Qt::RightButton);
    EXPECT_EQ(L().fInit->text(), "102");
    Press(L().fInitMinus);
    EXPECT_EQ(L().fInit->text(), "101");
    // The keyboard does nothing on them.
    L().fInitPlus->setFocus();
    QTest::keyClick(L().fInitPlus, Qt::Key_Space);
    EXPECT_EQ(L().fInit->text(), "101");
}

TEST_F(FrequencyEntry, oneHertzStepLimits) {
    SetInit("22050");
    Press(L().fInitPlus);
    EXPECT_EQ(L().fInit->text(), "22050");
    SetInit("22049.5");
    Press(L().fInitPlus);
    EXPECT_EQ(L().fInit->text(), "22050.5");
    SetInit("0.5");
    Press(L().fInitMinus);
    EXPECT_EQ(L().fInit->text(), "-0.5");
}

TEST_F(FrequencyEntry, pressingAStepButtonLeavesTheFieldFirst) {
    dialogs.Answers = {false};
    Type(L().fInit, "30000");
    Press(L().fInitPlus); // the focus moves: the field is normalised, then the step sees 22050
    EXPECT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(L().fInit->text(), "22050");
}

TEST_F(FrequencyEntry, leavingTheLeftInitialFieldAboveNyquistAsksAndClamps) {
    dialogs.Answers = {false};
    SetInit("30000");
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Kind, "question");
    EXPECT_EQ(dialogs.Messages[0].Text, Nyquist);
    EXPECT_EQ(L().fInit->text(), "22050");
    EXPECT_FALSE(settings->isVisible());
}

TEST_F(FrequencyEntry, yesToTheNyquistQuestionOpensTheOutputSettings) {
    dialogs.Answers = {true};
    SetInit("30000");
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(L().fInit->text(), "22050");
}

TEST_F(FrequencyEntry, otherFieldsAboveNyquistGetAPlainMessage) {
    Choose(window->cboChannels, STEREO);
    Type(R().fInit, "25000");
    Leave();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Kind, "information");
    EXPECT_EQ(dialogs.Messages[0].Text, Nyquist);
    EXPECT_EQ(R().fInit->text(), "22050");
}

TEST_F(FrequencyEntry, leavingRoundsAndRaisesToTheMinimum) {
    SetInit("0");
    EXPECT_EQ(L().fInit->text(), "0.1");
    SetInit("123.4567891");
    EXPECT_EQ(L().fInit->text(), "123.45679");
    EXPECT_TRUE(dialogs.Messages.empty());
}

// A refused text is reported once; then the field shows the frequency that plays (the "12"
// typed before the "a"), and the steps work from it.
TEST_F(FrequencyEntry, invalidTextIsReportedAndTheFrequencyInForceShown) {
    SetInit("12a");
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Kind, "error");
    EXPECT_EQ(dialogs.Messages[0].Text, "'12a' is not a valid floating point value");
    EXPECT_EQ(L().fInit->text(), "12");
    EXPECT_EQ(Gen().Text(TextField::fInitLeft), "12");
    EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Left).InitNorm, 12.0f / 44100.0f);
    QTest::mousePress(L().fInitPlus, Qt::RightButton);
    EXPECT_EQ(L().fInit->text(), "13");
    EXPECT_EQ(dialogs.Messages.size(), 1u);
    SetInit("abc");
    EXPECT_EQ(dialogs.Messages.size(), 2u);
    EXPECT_EQ(L().fInit->text(), "13");
}

// "1k" plays 1000 Hz as soon as it is typed (not 1 Hz, as the "1" typed before the "k"); once
// left, the field shows the value plain.
TEST_F(FrequencyEntry, aSuffixedValuePlaysAsTypedAndIsShownPlainOnceLeft) {
    const std::vector<std::tuple<QString, float, QString>> cases{{"1k", 1000.0f, "1000"},
                                                                 {"1.5 kHz", 1500.0f, "1500"},
                                                                 {"440 Hz", 440.0f, "440"},
                                                                 {"22.05K", 22050.0f, "22050"},
                                                                 {"0.0125M", 12500.0f, "12500"}};
    for (const auto& [typed, hz, left] : cases) {
        Type(L().fInit, typed);
        EXPECT_EQ(L().fInit->text(), typed);
        EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Left).InitNorm, hz / 44100.0f);
        Leave();
        EXPECT_EQ(L().fInit->text(), left);
    }
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(FrequencyEntry, typingReachesTheEngineAtEveryKeystroke) {
    Type(L().fInit, "120");
    EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Left).InitNorm, 120.0f / 44100.0f);
}

} // namespace
