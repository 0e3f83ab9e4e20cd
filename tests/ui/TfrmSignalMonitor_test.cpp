// The signal monitor window as a user meets it: the View item and its shortcut, the picture of
// a known tone through the virtual device, copying only while the window is seen, pause, the
// picture as a PNG file and on the clipboard, the keys, the palette, and its stored settings.
#include "analysis/ScopeTrace.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/HelpViewer.h"
#include "ui/SignalMonitorView.h"
#include "ui/TfrmSignalMonitor.h"
#include "ui/WindowSettings.h"

#include <QClipboard>
#include <QImage>

using namespace quavril;
using namespace quavril::test;

namespace {

class SignalMonitor : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        monitor = std::make_unique<TfrmSignalMonitor>(*session, dialogs, window.get());
        window->SetSignalMonitor(monitor.get());
    }
    void TearDown() override {
        monitor.reset();
        WindowTest::TearDown();
    }
    QAction* Item() { return window->Menus().SignalMonitor1; }
    // A 1 kHz sine at -20 dBFS on both channels, playing.
    void PlayReferenceTone() {
        Gen().SetIndex(IndexField::cboChannels, STEREO);
        Gen().ChannelsChange();
        Gen().SetText(TextField::AmplitudeLeft, "-20");
        Gen().SetText(TextField::AmplitudeRight, "-20");
        Gen().SetFlag(FlagField::Loop, true);
        session->StartPlayback();
        ASSERT_TRUE(session->Playing());
    }
    // The device plays `buffers` buffers; the monitor is renewed after each.
    void PlayBuffers(int buffers) {
        for (int i = 0; i < buffers; ++i) {
            ASSERT_TRUE(device->CompleteNext());
            DeliverNotices();
            monitor->Renew();
        }
    }
    std::unique_ptr<TfrmSignalMonitor> monitor;
};

// The reference tone reads -20 dBFS peak and -23 dBFS RMS on both meters, one spectral line
// at 1 kHz and -20 dBFS, and a triggered trace of four periods. Only a window that can be
// seen gets the queued samples: hidden (the View item again) or minimised, nothing is copied
// and nothing renewed.
TEST_F(SignalMonitor, showsTheReferenceToneAsPlayedWhileSeen) {
    PlayReferenceTone();
    EXPECT_EQ(session->MonitorPlayingFrame(), 0);
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(monitor->isVisible());
    EXPECT_TRUE(Item()->isChecked());
    EXPECT_TRUE(monitor->Running());
    PlayBuffers(100); // 2.3 s at 44,100 Hz, 1,024 frames per buffer
    EXPECT_GT(session->MonitorPlayingFrame(), 0);
    const SignalAnalysis& a = monitor->Analysis();
    ASSERT_EQ(a.Channels(), 2);
    for (int c = 0; c < 2; ++c) {
        EXPECT_NEAR(a.Meter(c).PeakDb, -20.0, 0.05) << c;
        EXPECT_NEAR(a.Meter(c).RmsDb, -23.0, 0.1) << c;
        EXPECT_FALSE(a.Meter(c).Clipped);
        const auto peak = a.SpectrumOf(c).StrongestPeak(44100);
        ASSERT_TRUE(peak.has_value());
        EXPECT_NEAR(peak->FrequencyHz, 1000, 44100.0 / a.FftSize() / 2);
        EXPECT_NEAR(peak->LevelDb, -20.0, 0.1);
    }
    EXPECT_TRUE(a.Triggered());
    EXPECT_EQ(a.ScopeSpan(), ScopeTrace::SpanFrames(44100, 1000));
    EXPECT_EQ(monitor->View()->PeakText(0), "1000.0 Hz  -20.0 dBFS");

    monitor->showMinimized();
    Pump();
    if (monitor->isMinimized()) { // where the platform minimises at all
        EXPECT_FALSE(monitor->Running());
        EXPECT_EQ(session->MonitorPlayingFrame(), 0);
        monitor->showNormal();
        Pump();
        EXPECT_TRUE(monitor->Running());
    }
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(monitor->isVisible());
    EXPECT_FALSE(Item()->isChecked());
    EXPECT_FALSE(monitor->Running());
    EXPECT_EQ(session->MonitorPlayingFrame(), 0);
}

// The picture follows the sound, not the fill: a louder tone already queued shows only once
// the device reports that it plays it.
TEST_F(SignalMonitor, changesWhenTheDevicePlaysTheChange) {
    window->SignalMonitor1Click();
    PlayReferenceTone();
    device->SetReportedDelay(2 * 1024); // both queued buffers not heard yet
    PlayBuffers(60);
    Left().barAmplitude->setValue(6); // the user moves the left level to -6 dBFS
    PlayBuffers(1); // the refill at -6 dBFS is queued behind a buffer still at -20
    EXPECT_NEAR(monitor->Analysis().Meter(0).PeakDb, -20.0, 0.05);
    device->SetReportedDelay(512); // the device now plays the middle of the louder buffer
    monitor->Renew();
    EXPECT_NEAR(monitor->Analysis().Meter(0).PeakDb, -6.0, 0.05);
    EXPECT_NEAR(monitor->Analysis().Meter(1).PeakDb, -20.0, 0.05);
}

// The picture goes through the file dialog into a PNG file of the view's size; a cancelled
// dialog writes nothing, a folder that is not there is reported.
TEST_F(SignalMonitor, savedPictureIsAPngOfTheViewOrAReportedFailure) {
    window->SignalMonitor1Click();
    monitor->resize(700, 500);
    Pump();
    const QString good = configDir.filePath("monitor.png");
    const QString bad = configDir.filePath("missing/monitor.png");
    for (const QString& path : {good, QString(), bad}) { // the empty one cancels
        if (!path.isEmpty())
            dialogs.SavePaths.push_back(path);
        QTest::keyClick(monitor.get(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(dialogs.SaveRequests.back().DefaultSuffix, "png");
    }
    ASSERT_EQ(dialogs.SaveRequests.size(), 3u);
    EXPECT_EQ(QImage(good).size(), monitor->View()->size() * monitor->View()->devicePixelRatioF());
    EXPECT_TRUE(QImage(bad).isNull());
    ASSERT_EQ(dialogs.Messages.size(), 1u) << "only the missing folder is reported";
    EXPECT_EQ(dialogs.Messages[0].Kind, "error");
    EXPECT_TRUE(dialogs.Messages[0].Text.contains(bad));
}

// Everything is reachable from the keyboard: the mnemonics (Pause freezes the picture), F1
// for the window's own help topic, Esc closes the window and clears the View mark.
TEST_F(SignalMonitor, keysReachEveryControl) {
    HelpViewer::SetFolder(QString(QUAVRIL_SOURCE_DIR) + "/resources/help");
    window->SignalMonitor1Click();
    PlayReferenceTone();
    monitor->activateWindow();
    QApplication::setActiveWindow(monitor.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(monitor.get(), 2000));
    ASSERT_TRUE(RunUntil([&] { return monitor->Analysis().SpectrumCount() > 2; }, 2000));
    // A mnemonic presses its button with a short animation.
    QTest::keyClick(monitor.get(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(RunUntil([&] { return monitor->Paused(); }, 2000));
    EXPECT_FALSE(monitor->Running());
    const int frozen = monitor->Analysis().SpectrumCount();
    QTest::qWait(150);
    EXPECT_EQ(monitor->Analysis().SpectrumCount(), frozen);
    QTest::keyClick(monitor.get(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(RunUntil([&] { return monitor->Analysis().SpectrumCount() > frozen; }, 2000));
    QTest::keyClick(monitor.get(), Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(RunUntil([&] { return monitor->Averaging(); }, 2000));
    QTest::keyClick(monitor.get(), Qt::Key_Z, Qt::AltModifier);
    EXPECT_TRUE(monitor->cboFftSize->hasFocus());
    QTest::keyClick(monitor->cboFftSize, Qt::Key_Down);
    EXPECT_EQ(monitor->FftSize(), 32768);
    QTest::keyClick(monitor.get(), Qt::Key_F1);
    EXPECT_EQ(HelpViewer::Instance().CurrentTopic(), "signal-monitor.html");
    HelpViewer::Instance().close();
    QTest::keyClick(monitor.get(), Qt::Key_Escape);
    EXPECT_FALSE(monitor->isVisible());
    EXPECT_FALSE(Item()->isChecked());
}

// The plots stand on the palette's base colour, and the traces keep their contrast on it; the
// picture copied to the clipboard shows it at the view's size.
TEST_F(SignalMonitor, followsALightAndADarkPalette) {
    window->SignalMonitor1Click();
    for (const QColor base : {QColor(255, 255, 255), QColor(30, 30, 30)}) {
        QPalette palette = monitor->palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Window, base.lighter(110));
        palette.setColor(QPalette::Text, base.lightness() < 128 ? Qt::white : Qt::black);
        monitor->setPalette(palette);
        Click(monitor->btnCopy);
        const QImage picture = QApplication::clipboard()->image();
        EXPECT_EQ(picture.size(), monitor->View()->size() * monitor->View()->devicePixelRatioF());
        const QPoint inside(picture.width() - 30, 30); // in the oscilloscope, above the trace
        EXPECT_EQ(picture.pixelColor(inside), base);
        for (int c = 0; c < 2; ++c)
            EXPECT_GT(std::abs(monitor->View()->ChannelColor(c).lightness() - base.lightness()), 60)
                << c;
    }
}

// Place, size, FFT size, averaging and visibility come back from the settings file; damaged
// or missing values keep the window's own.
TEST_F(SignalMonitor, storedSettingsComeBack) {
    WindowSettings stored(*session, *window);
    window->SignalMonitor1Click();
    monitor->resize(640, 480);
    monitor->SetFftSize(65536);
    monitor->SetAveraging(true);
    stored.SaveMonitor(*store);
    ASSERT_TRUE(store->Sync());

    window->SignalMonitor1Click();
    monitor->resize(500, 400);
    monitor->SetFftSize(8192);
    monitor->SetAveraging(false);
    SettingsStore reread(configDir.filePath("Quavril.conf").toStdString());
    stored.LoadMonitor(reread);
    Pump();
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_TRUE(Item()->isChecked());
    EXPECT_EQ(monitor->size(), QSize(640, 480));
    EXPECT_EQ(monitor->FftSize(), 65536);
    EXPECT_TRUE(monitor->Averaging());

    reread.WriteText(setting_names::MonitorFftSize, "big");
    reread.WriteInt(setting_names::MonitorW, 700);
    reread.Remove(setting_names::MonitorH);
    reread.WriteInt(setting_names::frmSignalMonitor, 0);
    stored.LoadMonitor(reread);
    EXPECT_EQ(monitor->size(), QSize(700, 480));
    EXPECT_EQ(monitor->FftSize(), 65536);
    EXPECT_FALSE(monitor->isVisible());
    EXPECT_FALSE(Item()->isChecked());
}

} // namespace
