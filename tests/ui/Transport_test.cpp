// Switching the generator on, off and into pause on the virtual device: notices, lamp, titles,
// locked controls, failure messages and the render watchdog.
#include "audio/Playback.h"
#include "synth/Messages.h"
#include "tests/support/GeneratorTestAccess.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ExitLineEdit.h"
#include "ui/StatusLamp.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

using namespace quavril;
using namespace quavril::test;

namespace {

class Transport : public WindowTest {
protected:
    void SwitchOn() {
        Click(window->btnON);
        Pump();
    }
    // Every control that the start locks, in the order it locks them.
    std::vector<QWidget*> LockedControls() {
        FrequencyGroup& l = *Left().Frequency;
        FrequencyGroup& r = *Right().Frequency;
        return {window->cboChannels,
                window->WaveDevice,
                window->Duration,
                window->Loop,
                l.Bidirectional,
                l.Logarithmic,
                l.fInit,
                l.fFinal,
                Left().Amplitude,
                r.Bidirectional,
                r.Logarithmic,
                r.fInit,
                r.fFinal,
                Right().Amplitude,
                window->MemButton[0],
                window->MemButton[1],
                window->MemButton[2],
                window->MemButton[3]};
    }
};

TEST_F(Transport, startNoticeShowsTheRunningState) {
    Choose(window->cboChannels, STEREO);
    SwitchOn();
    ASSERT_TRUE(window->AudioOut1().Playing());
    EXPECT_TRUE(window->GeneratorRunning());
    EXPECT_EQ(ApplicationTitle::Get(), "ON - Quavril 3.92");
    EXPECT_EQ(window->windowTitle(), "Quavril 3.92") << "peers find the window by its caption";
    EXPECT_EQ(window->LED->Colour(), QColor(0, 128, 0));
    EXPECT_TRUE(window->btnOFF->isDefault());
    EXPECT_FALSE(window->btnON->isDefault());
    EXPECT_TRUE(window->btnOFF->hasFocus());
    for (QWidget* w : LockedControls())
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(window->Menus().Presets1->menuAction()->isEnabled());
    // What stays usable while playing.
    for (QWidget* w : std::initializer_list<QWidget*>{
             Left().WaveForm, Right().WaveForm, Left().barAmplitude, Right().ModulationOn,
             Left().Tick, Right().Tick, Left().Frequency->SemiUp, Left().Frequency->fInitPlus,
             Left().Frequency->chkSweep, Right().PhaseEdit})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(device->OpenedFormat().Channels, 2);
    EXPECT_EQ(device->OpenedFormat().SamplesPerSec, 44100u);
    EXPECT_EQ(device->OpenedPlan().BufferCount, 2);
}

TEST_F(Transport, stopNoticeRestoresEveryLockedControl) {
    Choose(window->cboChannels, STEREO);
    SwitchOn();
    Click(window->btnOFF);
    Pump();
    EXPECT_FALSE(window->AudioOut1().Playing());
    EXPECT_FALSE(window->GeneratorRunning());
    EXPECT_EQ(ApplicationTitle::Get(), "Quavril 3.92");
    EXPECT_EQ(window->LED->Colour(), QColor(128, 0, 0));
    EXPECT_TRUE(window->btnON->isDefault());
    EXPECT_FALSE(window->btnOFF->isDefault());
    EXPECT_TRUE(window->btnON->hasFocus());
    for (QWidget* w : LockedControls())
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(window->Menus().Presets1->menuAction()->isEnabled());
    // Enabled whatever they were before: Bidirectional although Loop is off.
    EXPECT_FALSE(window->Loop->isChecked());
    EXPECT_TRUE(Left().Frequency->Bidirectional->isEnabled());
    EXPECT_TRUE(Right().Frequency->Bidirectional->isEnabled());
}

TEST_F(Transport, theSignalEndsByItselfAfterItsDuration) {
    Type(window->Duration, "0.1"); // 4410 frames, buffers of 2048 mono frames
    Leave();
    SwitchOn();
    ASSERT_TRUE(window->GeneratorRunning());
    for (int i = 0; i < 20 && window->AudioOut1().Playing(); ++i) {
        device->CompleteAll();
        Pump();
    }
    EXPECT_FALSE(window->GeneratorRunning());
    EXPECT_EQ(window->LED->Colour(), StatusLamp::Off);
    EXPECT_EQ(device->Played().size(), 4410u * 2);
}

TEST_F(Transport, functionKeysSwitchLikeTheButtons) {
    window->btnPause->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F11);
    Pump();
    EXPECT_TRUE(window->GeneratorRunning());
    QTest::keyClick(window.get(), Qt::Key_F9);
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
    QTest::keyClick(window.get(), Qt::Key_Insert, Qt::ControlModifier);
    Pump();
    EXPECT_TRUE(window->GeneratorRunning());
    QTest::keyClick(window.get(), Qt::Key_Insert, Qt::ControlModifier);
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
}

TEST_F(Transport, onWhilePlayingDoesNothing) {
    SwitchOn();
    const int opens = device->OpenCount();
    window->btnPause->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F11);
    Pump();
    EXPECT_EQ(device->OpenCount(), opens);
    EXPECT_TRUE(window->btnPause->hasFocus());
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(Transport, pauseTogglesTheOutputAndTheBoldCaption) {
    SwitchOn();
    Click(window->btnPause);
    EXPECT_TRUE(window->AudioOut1().Paused());
    EXPECT_TRUE(device->IsPaused());
    EXPECT_TRUE(window->btnPause->font().bold());
    EXPECT_EQ(window->LED->Colour(), StatusLamp::On);
    Click(window->btnPause);
    EXPECT_FALSE(window->btnPause->font().bold());
    EXPECT_FALSE(device->IsPaused());
    Click(window->btnPause);
    Click(window->btnOFF);
    Pump();
    EXPECT_FALSE(window->btnPause->font().bold()) << "the stop notice restores the caption";
}

TEST_F(Transport, enterPressesTheDefaultButton) {
    Left().Frequency->fInit->setFocus();
    QTest::keyClick(Left().Frequency->fInit, Qt::Key_Return);
    Pump();
    EXPECT_TRUE(window->GeneratorRunning());
    QTest::keyClick(window->btnOFF, Qt::Key_Return);
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
}

TEST_F(Transport, aDeviceThatCannotOpenGivesTheSoundDeviceMessage) {
    device->FailOpen(VirtualWaveOut::VirtualFailure);
    Click(window->btnON);
    Pump();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    const QString text = dialogs.Messages[0].Text;
    EXPECT_TRUE(text.startsWith("Sound Device Error: \r")) << text.toStdString();
    EXPECT_EQ(text, QString::fromStdString(Playback::StartFailureMessage(
                        device->ErrorText(VirtualWaveOut::VirtualFailure))));
    EXPECT_FALSE(window->GeneratorRunning());
    EXPECT_TRUE(window->btnOFF->hasFocus());
}

TEST_F(Transport, aSignalWithoutFramesSaysWhyItIsNotStarted) {
    Type(window->Duration, "0"); // not left: the period has no frame
    QTest::keyClick(window->Duration, Qt::Key_F11);
    Pump();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text,
              QString::fromLatin1(playback_messages::PeriodUnderOneFrame));
    EXPECT_FALSE(window->GeneratorRunning());
}

TEST_F(Transport, unansweredAcknowledgeTripsTheWatchdog) {
    SwitchOn();
    ASSERT_TRUE(window->AudioOut1().Playing());
    // The acknowledge of the last fill never arrived.
    test::MutableState(Gen()).RenderAcknowledged = false;
    device->CompleteNext();
    Pump();
    EXPECT_EQ(CountMessages(QString::fromLatin1(messages::Performance)), 1u);
    EXPECT_FALSE(window->AudioOut1().Playing());
    EXPECT_FALSE(window->GeneratorRunning());
    EXPECT_FALSE(Gen().State().FillBusy);
}

TEST_F(Transport, everyFillIsAcknowledgedByTheWindow) {
    SwitchOn();
    for (int i = 0; i < 5; ++i) {
        device->CompleteNext();
        Pump();
    }
    EXPECT_TRUE(window->AudioOut1().Playing());
    EXPECT_TRUE(Gen().State().RenderAcknowledged);
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(Transport, bothChannelsOffStopsTheOutput) {
    Choose(window->cboChannels, STEREO);
    SwitchOn();
    Click(Left().Tick);
    EXPECT_TRUE(window->AudioOut1().Playing());
    Click(Right().Tick);
    Pump();
    EXPECT_FALSE(window->AudioOut1().Playing());
    EXPECT_FALSE(window->btnON->isEnabled());
}

TEST_F(Transport, chosenDeviceIsOpened) {
    Choose(window->WaveDevice, 2);
    SwitchOn();
    EXPECT_EQ(device->OpenedDevice(), "hw:B");
}

TEST_F(Transport, exitStopsAndCloses) {
    bool closed = false;
    QObject::connect(window.get(), &TfrmGenerator::Closed, [&] { closed = true; });
    SwitchOn();
    window->Menus().Exit1->trigger();
    Pump();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(window->AudioOut1().Playing());
    EXPECT_FALSE(window->isVisible());
}

// With a fade setting, every way of switching off fades the sound out: the output stops
// playing at once; the lamp and the locks follow the stop notice once the fade-out has played
// (50 ms at 44100 Hz, mono), On during a fade-out ends it and starts, Exit does not wait.
TEST_F(Transport, offFadesOutAndTheLampFollowsWhenTheFadeHasPlayed) {
    session->SetQuality({SampleFormat::S16, DitherKind::None, false, 50});
    const std::vector<std::function<void()>> offs{
        [&] { Click(window->btnOFF); }, [&] { QTest::keyClick(window.get(), Qt::Key_F9); },
        [&] { QTest::keyClick(window.get(), Qt::Key_Insert, Qt::ControlModifier); },
        [&] { session->Dispatch(MessageCode::Off, 0, 0); }};
    for (const auto& off : offs) {
        SwitchOn();
        off();
        Pump();
        EXPECT_FALSE(window->AudioOut1().Playing());
        EXPECT_EQ(device->Log().back(), "write 4 4410");
        EXPECT_EQ(window->LED->Colour(), StatusLamp::On);
        ASSERT_TRUE(device->CompleteNext());
        Pump();
        EXPECT_EQ(window->LED->Colour(), StatusLamp::Off);
        EXPECT_TRUE(window->Duration->isEnabled());
    }
    SwitchOn();
    Click(window->btnOFF);
    SwitchOn(); // the fade-out ends, the stop notice comes, then the start's
    EXPECT_TRUE(window->AudioOut1().Playing());
    EXPECT_EQ(window->LED->Colour(), StatusLamp::On);
    Click(window->btnOFF);
    window->Menus().Exit1->trigger();
    Pump();
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(Transport, synchronisedCommandsGoThroughTheBroadcast) {
    std::vector<int> sent;
    session->SetBroadcaster([&](MessageCode code) {
        sent.push_back(CodeOf(code));
        session->Dispatch(code, 0, 0);
    });
    Click(window->chkSync);
    Click(window->btnON);
    Pump();
    Click(window->btnPause);
    Click(window->btnOFF);
    Pump();
    EXPECT_EQ(sent, (std::vector<int>{1024, 1026, 1025}));
    EXPECT_FALSE(window->GeneratorRunning());
    Click(window->chkSync);
    Click(window->btnON);
    Pump();
    EXPECT_EQ(sent.size(), 3u) << "unticked: local only";
    EXPECT_TRUE(window->GeneratorRunning());
}

} // namespace

namespace {

class FrequencyDisplayHook : public Transport {};

TEST_F(FrequencyDisplayHook, everyFillShowsTheFrequenciesWhileTheDisplayIsVisible) {
    std::vector<QString> shown;
    QObject::connect(session.get(), &GeneratorSession::FrequencyText,
                     [&](const QString& t) { shown.push_back(t); });
    Choose(window->cboChannels, STEREO);
    Type(Right().Frequency->fInit, "440");
    Leave();
    SwitchOn();
    EXPECT_TRUE(shown.empty()) << "a closed display is not touched";
    session->SetDisplayVisible(true);
    device->CompleteNext();
    Pump();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "1000 Hz\r440 Hz");
}

} // namespace
