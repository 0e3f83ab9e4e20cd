// Saving the signal as a wave file from the File menu: proposed name, dialog, please-wait
// window, cancel.
#include "files/WaveFile.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ExitLineEdit.h"
#include "ui/TfrmWait.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

using namespace quavril;
using namespace quavril::test;

namespace {

class WaveExport : public WindowTest {
protected:
    QString Target() const { return configDir.filePath("out.wav"); }
    QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static uint32_t U32(const QByteArray& b, int at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<uint8_t>(b[at + i]);
        return v;
    }
};

TEST_F(WaveExport, proposesANameThatDescribesTheSignal) {
    window->Menus().SaveWaveFile1->trigger();
    ASSERT_EQ(dialogs.SaveRequests.size(), 1u);
    const auto& r = dialogs.SaveRequests[0];
    EXPECT_EQ(r.Proposed, "10s Sine 1000Hz 10s 0dBFS mono.wav");
    EXPECT_EQ(r.DefaultSuffix, "wav");
    EXPECT_TRUE(r.Filter.contains("*.wav"));
    EXPECT_FALSE(QFile::exists(Target())) << "cancelled dialog writes nothing";
}

TEST_F(WaveExport, stereoNameNamesBothChannelsAndThePhase) {
    Choose(window->cboChannels, STEREO);
    Choose(Right().WaveForm, PINK);
    Type(Right().Amplitude, "-6");
    Leave();
    window->Menus().SaveWaveFile1->trigger();
    ASSERT_EQ(dialogs.SaveRequests.size(), 1u);
    EXPECT_EQ(dialogs.SaveRequests[0].Proposed,
              "10s Sine 1000Hz 0dBFS on left channel and Pink noise -6dBFS on right channel.wav");
}

TEST_F(WaveExport, writesThePeriodAndClearsLoop) {
    Type(window->Duration, "0.1");
    Leave();
    Click(window->Loop);
    dialogs.SavePaths = {Target()};
    window->Menus().SaveWaveFile1->trigger();
    EXPECT_FALSE(window->Loop->isChecked());
    EXPECT_TRUE(dialogs.Messages.empty());
    const QByteArray file = Read(Target());
    ASSERT_EQ(file.size(), 44 + 4410 * 2);
    EXPECT_EQ(file.left(4), "RIFF");
    EXPECT_EQ(U32(file, 4), 36u + 4410 * 2);
    EXPECT_EQ(U32(file, 24), 44100u);
    EXPECT_EQ(U32(file, 40), 4410u * 2);
    // The same bytes as the writer gives a generator with the same settings.
    Generator twin;
    twin.SetSampleRate(44100);
    twin.SetText(TextField::Duration, "0.1");
    twin.SetText(TextField::fInitLeft, "1000");
    twin.SetText(TextField::fFinalLeft, "10000");
    ASSERT_TRUE(twin.ResetGenerator(true));
    WaveFileWriter writer;
    const QString twinPath = configDir.filePath("twin.wav");
    ASSERT_EQ(writer.WriteWaveFile(twinPath.toStdString(), twin), WaveWriteResult::Written);
    EXPECT_EQ(file, Read(twinPath));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(window->frmWait().isVisible());
}

TEST_F(WaveExport, cancelRemovesThePartialFileAndTheWindowIsLockedMeanwhile) {
    dialogs.SavePaths = {Target()};
    bool lockedDuringExport = false;
    bool waitShown = false;
    dialogs.OnSaveDialog = [&] {
        QTimer::singleShot(0, [&] {
            lockedDuringExport = !window->isEnabled();
            waitShown = window->frmWait().isVisible();
            QTest::mouseClick(window->frmWait().Button1, Qt::LeftButton);
        });
    };
    window->Menus().SaveWaveFile1->trigger();
    EXPECT_TRUE(lockedDuringExport);
    EXPECT_TRUE(waitShown);
    EXPECT_FALSE(QFile::exists(Target()));
    EXPECT_TRUE(dialogs.Messages.empty()) << "a cancel is silent";
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(window->frmWait().isVisible());
    // The next export starts afresh.
    dialogs.OnSaveDialog = nullptr;
    Type(window->Duration, "0.1");
    Leave();
    dialogs.SavePaths = {Target()};
    window->Menus().SaveWaveFile1->trigger();
    EXPECT_EQ(Read(Target()).size(), 44 + 4410 * 2);
}

// A signal asks the program to end during an export: the export is cancelled, no file and no
// temporary file is left, and the window closes.
TEST_F(WaveExport, anEndRequestedDuringAnExportLeavesNoFileBehind) {
    dialogs.SavePaths = {Target()};
    bool closed = false;
    QObject::connect(window.get(), &TfrmGenerator::Closed, [&] { closed = true; });
    dialogs.OnSaveDialog = [&] { QTimer::singleShot(0, [&] { window->EndRequested(); }); };
    window->Menus().SaveWaveFile1->trigger();
    EXPECT_TRUE(closed);
    EXPECT_EQ(QDir(configDir.path()).entryList({"*.wav", ".*.wav*"}, QDir::Files | QDir::Hidden),
              QStringList());
    EXPECT_FALSE(session->Writer().ExportCancelled) << "the next export is not cancelled";
}

// The message keeps its text; the system's reason follows on a line of its own.
TEST_F(WaveExport, anUnwritablePathGivesTheFileAccessMessageAndTheReason) {
    dialogs.SavePaths = {configDir.filePath("missing/folder/out.wav")};
    window->Menus().SaveWaveFile1->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text,
              "File Access Error, cannot write file.\nNo such file or directory");
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(WaveExport, anUnreadablePhaseAbortsBeforeTheDialog) {
    Choose(window->cboChannels, STEREO);
    Type(Right().PhaseEdit, "x");
    window->Menus().SaveWaveFile1->trigger();
    EXPECT_TRUE(dialogs.SaveRequests.empty());
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "'x' is not a valid floating point value");
}

TEST_F(WaveExport, exportStopsAPlayingGenerator) {
    Click(window->btnON);
    Pump();
    window->Menus().SaveWaveFile1->trigger();
    Pump();
    EXPECT_FALSE(window->GeneratorRunning());
}

} // namespace
