// The output settings window and its effects on the generator window.
#include "tests/ui/UiTestSupport.h"
#include "ui/ExitLineEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <set>

using namespace quavril;
using namespace quavril::test;

namespace {

class OutputSettingsWindow : public WindowTest {
protected:
    void Open() {
        window->Menus().Compatibilitysettings1->trigger();
        Pump();
    }
};

TEST_F(OutputSettingsWindow, loadsTheStoredPositions) {
    EXPECT_EQ(settings->FsList->currentText(), "44100");
    EXPECT_EQ(settings->BufferSize->currentText(), "4096");
    EXPECT_EQ(settings->Buffers->currentText(), "2");
    EXPECT_EQ(Gen().SampleRate(), 44100);
}

TEST_F(OutputSettingsWindow, sliderMaximaFollowTheRate) {
    EXPECT_EQ(FrequencySliderModel::MaximumFor(8000), 3301);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(11025), 3440);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(22050), 3741);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(44100), 4042);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(48000), 4079);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(96000), 4380);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(88200), 4343);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(176400), 4644);
    EXPECT_EQ(FrequencySliderModel::MaximumFor(192000), 4681);
}

TEST_F(OutputSettingsWindow, aLowerRateLowersTheFrequencyFields) {
    Choose(window->cboChannels, STEREO);
    Click(Right().Frequency->chkSweep);
    Type(Right().Frequency->fFinal, "5000");
    Leave();
    Open();
    ASSERT_TRUE(settings->isVisible());
    Choose(settings->FsList, 0); // 8000 Hz
    EXPECT_EQ(Gen().SampleRate(), 8000);
    EXPECT_EQ(Right().Frequency->fFinal->text(), "4000");
    EXPECT_EQ(Left().Frequency->fFinal->text(), "4000");
    EXPECT_EQ(Left().Frequency->fInit->text(), "1000");
    EXPECT_EQ(window->SliderModel().Maximum, 3301);
    EXPECT_EQ(window->SliderModel().MaxFreqEdit, "4000");
    // The new limits reach the engine through the fields' change handlers.
    EXPECT_FLOAT_EQ(Gen().State().Of(Channel::Right).FinalNorm, 0.5f);
}

TEST_F(OutputSettingsWindow, aHigherRateNeverRaisesAField) {
    Open();
    Choose(settings->FsList, 0);
    Choose(settings->FsList, settings->FsList->findText("96000"));
    EXPECT_EQ(Left().Frequency->fFinal->text(), "4000");
    EXPECT_EQ(window->SliderModel().MaxFreqEdit, "48000");
}

TEST_F(OutputSettingsWindow, anyChangeSwitchesTheGeneratorOffAndTheNextStartUsesIt) {
    Click(window->btnON);
    Pump();
    ASSERT_TRUE(window->GeneratorRunning());
    settings->show();
    Choose(settings->Buffers, 2); // 4 buffers
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
    Choose(settings->BufferSize, 1); // 8192 bytes
    Click(window->btnON);
    Pump();
    EXPECT_EQ(device->OpenedPlan().BufferCount, 4);
    EXPECT_EQ(device->OpenedPlan().BufferBytes, 8192);
}

TEST_F(OutputSettingsWindow, openingStopsTheGenerator) {
    Click(window->btnON);
    Pump();
    QTest::mouseClick(window->lblFS, Qt::LeftButton);
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
    EXPECT_TRUE(settings->isVisible());
}

TEST_F(OutputSettingsWindow, closingSavesThePositionsEvenWithoutAChange) {
    store->Remove("Fs");
    store->Remove("Buffers");
    store->Remove("BufferSize");
    Open();
    Click(settings->Button1);
    EXPECT_FALSE(settings->isVisible());
    EXPECT_EQ(store->ReadInt("Fs"), 3);
    EXPECT_EQ(store->ReadInt("BufferSize"), 0);
    EXPECT_EQ(store->ReadInt("Buffers"), 0);
    EXPECT_TRUE(window->isEnabled());
}

// The SCPI group writes the session's settings as the user leaves each field (the server
// follows ScpiChanged), shows the server's own status line, and is saved on closing.
TEST_F(OutputSettingsWindow, scpiGroupWritesTheSettingsAndShowsTheServersStatus) {
    int changes = 0;
    QObject::connect(session.get(), &GeneratorSession::ScpiChanged, [&] { ++changes; });
    Open();
    EXPECT_FALSE(settings->chkScpi->isChecked());
    EXPECT_EQ(settings->ScpiAddress->text(), "127.0.0.1");
    EXPECT_EQ(settings->ScpiPort->value(), 5025);
    QTest::mouseClick(settings->chkScpi, Qt::LeftButton);
    EXPECT_TRUE(session->Scpi().On);
    Type(settings->ScpiAllowed, "192.168.1.0/24");
    QTest::keyClick(settings->ScpiAllowed, Qt::Key_Tab);
    EXPECT_EQ(session->Scpi().Allowed, "192.168.1.0/24");
    EXPECT_EQ(changes, 2);
    Type(settings->ScpiAddress, "");
    QTest::keyClick(settings->ScpiAddress, Qt::Key_Tab);
    EXPECT_EQ(session->Scpi().Address, "127.0.0.1"); // an empty address is the loopback one
    EXPECT_EQ(changes, 2);

    session->SetScpiStatus("Listening on 127.0.0.1:5026");
    EXPECT_EQ(settings->lblScpiStatus->text(), "Listening on 127.0.0.1:5026");
    ScpiSettings other = session->Scpi();
    other.Port = 6000;
    session->SetScpi(other);
    EXPECT_EQ(settings->ScpiPort->value(), 6000);
    Click(settings->Button1);
    EXPECT_EQ(store->ReadFlag("ScpiServer"), true);
    EXPECT_EQ(store->ReadInt("ScpiPort"), 6000);
    EXPECT_EQ(store->ReadText("ScpiAllowed"), "192.168.1.0/24");
}

TEST_F(OutputSettingsWindow, theLabelShowsTheNewRateWhenTheWindowIsActivatedAgain) {
    Open();
    Choose(settings->FsList, 2); // 22050 Hz
    Click(settings->Button1);
    QApplication::setActiveWindow(window.get());
    Pump();
    EXPECT_EQ(window->lblFS->text(), "fs = 22.05 kHz");
}

// The rates are listed in ascending order; a high one applies to the signal, the slider's
// range, the rate label and the device, and its stored position is its place in the first list.
TEST_F(OutputSettingsWindow, theHighRatesAreListedInOrderAndApplyEverywhere) {
    QStringList listed;
    for (int i = 0; i < settings->FsList->count(); ++i)
        listed << settings->FsList->itemText(i);
    EXPECT_EQ(listed.join(' '), "8000 11025 22050 44100 48000 88200 96000 176400 192000");
    Open();
    Choose(settings->FsList, settings->FsList->findText("176400"));
    EXPECT_EQ(Gen().SampleRate(), 176400);
    EXPECT_EQ(window->SliderModel().MaxFreqEdit, "88200");
    Click(settings->Button1);
    EXPECT_EQ(store->ReadInt("Fs"), 7);
    QApplication::setActiveWindow(window.get());
    Pump();
    EXPECT_EQ(window->lblFS->text(), "fs = 176.4 kHz");
    Click(window->btnON);
    EXPECT_EQ(device->OpenedFormat().SamplesPerSec, 176400u);
}

// The signal quality group is in the keyboard's reach; each choice switches the generator off
// and reaches the generator, and closing the window stores it.
TEST_F(OutputSettingsWindow, theSignalQualityIsChosenByKeyboardAndStored) {
    Click(window->btnON);
    Pump();
    Open();
    settings->FsList->setFocus(Qt::TabFocusReason);
    std::set<QWidget*> reached;
    for (int i = 0; i < 8; ++i) {
        reached.insert(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{settings->SampleFormat, settings->Dither,
                                                      settings->FadeMs, settings->BandLimited})
        EXPECT_TRUE(reached.count(w)) << w->objectName().toStdString();
    Choose(settings->SampleFormat, 1); // 24-bit
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
    Choose(settings->Dither, 1); // TPDF
    settings->FadeMs->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(settings->FadeMs, "250\r");
    settings->BandLimited->setFocus(Qt::TabFocusReason);
    QTest::keyClick(settings->BandLimited, Qt::Key_Space);
    const SignalQuality chosen{SampleFormat::S24, DitherKind::Tpdf, true, 250};
    EXPECT_EQ(Gen().Quality(), chosen);
    Click(settings->Button1);
    EXPECT_EQ(LoadOutputSettings(*store).Quality, chosen);
}

} // namespace
