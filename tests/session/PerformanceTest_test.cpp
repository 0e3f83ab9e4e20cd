// The performance test as one sequence on the session: every branch by the measured time and
// the user's answers, with a scripted clock and scripted boxes, on the virtual sound device
// and the shipped "Compatibility Test.qvl". The user's slots, autostart option and output
// settings are checked after every run.
#include "audio/VirtualWaveOut.h"
#include "session/GeneratorSession.h"
#include "session/PerformanceTest.h"
#include "settings/SettingsStore.h"
#include "tests/audio/AudioTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

using namespace quavril;

namespace {

const QString TestBank = QStringLiteral(QUAVRIL_BIN_DIR "/Compatibility Test.qvl");

// Boxes answered from a script: true is OK or Yes; Cancel or No when the script runs out.
class ScriptedQuestions : public PerformanceTest::Questions {
public:
    std::deque<bool> Answers;
    std::vector<std::pair<char, QString>> Shown; // 'C' confirm, 'Y' yes/no, 'N' note
    std::vector<int> HelpContexts;               // of the confirmations

    bool Confirm(const QString& text, int helpContext) override {
        Shown.emplace_back('C', text);
        HelpContexts.push_back(helpContext);
        return Next();
    }
    std::vector<bool> YesDefaults; // of the yes/no questions
    bool YesNo(const QString& text, bool yesIsDefault) override {
        Shown.emplace_back('Y', text);
        YesDefaults.push_back(yesIsDefault);
        return Next();
    }
    void Note(const QString& text) override { Shown.emplace_back('N', text); }

private:
    bool Next() {
        if (Answers.empty())
            return false;
        const bool a = Answers.front();
        Answers.pop_front();
        return a;
    }
};

class PerformanceTestRun : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureApplication();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::exists(TestBank));
        store = std::make_unique<SettingsStore>(dir.filePath("Quavril.conf").toStdString());
        store->WriteInt("Fs", 1); // 11025 Hz: the rate the cancels put back
        store->Sync();
        auto port = std::make_unique<VirtualWaveOut>();
        port->SetDevices({{"hw:A", "First card"}});
        port->SetAutoPlay(true);
        device = port.get();
        session = std::make_unique<GeneratorSession>(*store, std::move(port));
        session->ResetToDefaults();
        for (int n = 1; n <= 4; ++n)
            session->RenameSlot(n, "Mine " + std::to_string(n));
        // Recalls must not start the signals even with the option ticked.
        session->SetAutoStart(true);
    }

    // Runs the test with a render time of `ms` milliseconds.
    void Run(int64_t ms, const QString& bank = TestBank) {
        int calls = 0;
        PerformanceTest test(*session, questions, bank,
                             [&calls, ms] { return calls++ == 0 ? 5000 : 5000 + ms; });
        test.Run();
    }

    std::string Kinds() const {
        std::string kinds;
        for (const auto& [kind, text] : questions.Shown)
            kinds += kind;
        return kinds;
    }
    QString Device() const { return QString::fromStdString(session->Devices().ShownTexts()[0]); }
    // The user's own slots and option are back; the rate in use is the one stored.
    void ExpectUserStateGivenBack(int32_t rate) {
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(session->Bank().Slot(n).Name, "Mine " + std::to_string(n));
        EXPECT_TRUE(session->AutoStart());
        EXPECT_EQ(session->Controls().SampleRate(), rate);
        EXPECT_EQ(session->Settings().SampleRate(), rate);
        SettingsStore reread(dir.filePath("Quavril.conf").toStdString());
        EXPECT_EQ(reread.ReadInt("Fs").value_or(-1), OutputSettings::FsPosition(rate));
        EXPECT_FALSE(session->Playing());
    }

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    VirtualWaveOut* device = nullptr;
    std::unique_ptr<GeneratorSession> session;
    ScriptedQuestions questions;
};

// One run per branch: render time, answers, the boxes shown (kinds, and the start of each
// text), the rate in use at the end, the signals played and the duration of the last slot
// recalled (slot 4 lasts 10 s, the others 5 s).
struct Branch {
    const char* Name;
    int64_t Ms;
    std::vector<bool> Answers;
    const char* Kinds;
    std::vector<const char*> Starts;
    int32_t Rate;
    int Plays;
    const char* Duration;
};

class PerformanceTestBranches : public PerformanceTestRun,
                                public ::testing::WithParamInterface<Branch> {};

TEST_P(PerformanceTestBranches, asksShowsAndLeavesTheRate) {
    const Branch& b = GetParam();
    questions.Answers.assign(b.Answers.begin(), b.Answers.end());
    Run(b.Ms);
    ASSERT_EQ(Kinds(), b.Kinds);
    for (size_t i = 0; i < b.Starts.size(); ++i)
        EXPECT_TRUE(questions.Shown[i].second.startsWith(QString::fromUtf8(b.Starts[i])))
            << i << ": " << questions.Shown[i].second.toStdString();
    ExpectUserStateGivenBack(b.Rate);
    // Enter answers the hearing questions Yes, never reports a freeze (and lowers the rate).
    size_t asked = 0;
    for (const auto& [kind, text] : questions.Shown)
        if (kind == 'Y') {
            EXPECT_EQ(questions.YesDefaults.at(asked++), !text.contains("freeze"))
                << text.toStdString();
        }
    EXPECT_EQ(device->OpenCount(), b.Plays);
    EXPECT_EQ(session->Controls().Text(TextField::Duration), b.Duration);
}

const char* const Intro = "This test";
const char* const First = "First test";
const char* const Mono22 = "Next test: A 5 second, 1kHz mono";
const char* const Mono44 = "Last test: A 5 second, 1kHz MONO";
const char* const Stereo = "Next test: A 5 sec stereo";
const char* const Modulated = "Last test: A 5 second, 1kHz stereo MODULATED";
const char* const Heard = "Did you hear any tone at all?";
const char* const Froze = "Did your computer stop to respond";
const char* const NotHeard = "If you did not hear anything, your sound card (";

INSTANTIATE_TEST_SUITE_P(
    Runs, PerformanceTestBranches,
    ::testing::Values(
        Branch{"fastAndFine",
               9000,
               {true, true, true, true, false, true, false},
               "CCNCYYCYN",
               {Intro, First, "It took 9 seconds", Stereo, Heard, Froze, Modulated, Froze,
                "Congratulations"},
               44100,
               2,
               "5"},
        Branch{"marginalCancelAtStereo",
               9001,
               {true, true, false},
               "CCNC",
               {Intro, First, "It took 9.001 seconds", Stereo},
               44100,
               0,
               "5"},
        Branch{"tenSecondsRunsNoFurtherTest",
               10000,
               {true, true},
               "CCN",
               {Intro, First, "It took 10 seconds"},
               44100,
               0,
               "10"},
        Branch{"slowAndFreezing",
               10001,
               {true, true, true, true, true, true, true},
               "CCNCYCYYN",
               {Intro, First, "It took 10.001 seconds", Mono22, Heard, Mono44, Heard, Froze,
                "Your computer might be too slow for 44.1 kHz sampling frequency. The program"},
               22050,
               2,
               "5"},
        Branch{"cancelAtIntro", 9000, {false}, "C", {Intro}, 11025, 0, "10"},
        Branch{"cancelAtFirstTestPutsTheRateBack",
               9000,
               {true, false},
               "CC",
               {Intro, First},
               11025,
               0,
               "10"},
        Branch{"cancelAtMono22PutsTheRateBack",
               10001,
               {true, true, false},
               "CCNC",
               {Intro, First, "It took", Mono22},
               11025,
               0,
               "5"},
        Branch{"cancelAtMono44PutsTheRateBack",
               10001,
               {true, true, true, true, false},
               "CCNCYC",
               {Intro, First, "It took", Mono22, Heard, Mono44},
               11025,
               1,
               "5"},
        Branch{"slowNotHeardTwiceGoesOnWithStereo",
               10001,
               {true, true, true, false, true, false, false},
               "CCNCYNCYNC",
               {Intro, First, "It took", Mono22, Heard, NotHeard, Mono44, Heard, NotHeard, Stereo},
               44100,
               2,
               "5"},
        Branch{"slowNoFreezeGoesOnWithStereo",
               10001,
               {true, true, true, true, true, true, false, false},
               "CCNCYCYYC",
               {Intro, First, "It took", Mono22, Heard, Mono44, Heard, Froze, Stereo},
               44100,
               2,
               "5"},
        Branch{"stereoNotHeardStillRunsTheModulatedTest",
               9000,
               {true, true, true, false, false},
               "CCNCYNC",
               {Intro, First, "It took", Stereo, Heard, NotHeard, Modulated},
               44100,
               1,
               "5"},
        Branch{"stereoFreezeLowersTheRate",
               9000,
               {true, true, true, true, true},
               "CCNCYYN",
               {Intro, First, "It took", Stereo, Heard, Froze,
                "Your computer might be too slow for 44.1 kHz sampling frequency stereo"},
               22050,
               1,
               "5"},
        Branch{"modulatedFreezeLowersTheRate",
               9000,
               {true, true, true, true, false, true, true},
               "CCNCYYCYN",
               {Intro, First, "It took", Stereo, Heard, Froze, Modulated, Froze,
                "Your computer might be too slow for 44.1 kHz sampling frequency modulated"},
               22050,
               2,
               "5"},
        Branch{"cancelAtModulated",
               9000,
               {true, true, true, true, false, false},
               "CCNCYYC",
               {Intro, First, "It took", Stereo, Heard, Froze, Modulated},
               44100,
               1,
               "5"}),
    [](const ::testing::TestParamInfo<Branch>& info) { return info.param.Name; });

// The exact texts along the slow path with both hearing questions answered No, and the
// three endings of the timing note.
TEST_F(PerformanceTestRun, textsAreExact) {
    questions.Answers = {true, true, true, false, true, false, true, false, true, false};
    Run(10001);
    ASSERT_GE(questions.Shown.size(), 10u);
    const auto text = [this](size_t i) { return questions.Shown[i].second; };
    EXPECT_EQ(text(0), "This test will check the performance and compatibility of your computer. "
                       "Please set your loudspeaker volume to a low but audible level. Press OK "
                       "to start or cancel to abort.");
    EXPECT_EQ(text(1), "First test: Measuring the time it takes to generate a stereo 10 second "
                       "tone at 44.1kHz Sampling frequency (CD quality). If this is well under 10 "
                       "seconds, your computer is fine for CD quality signals.");
    EXPECT_EQ(text(3), "Next test: A 5 second, 1kHz mono sine wave signal at 22050Hz sampling "
                       "frequency. Please do not touch any of the controls during play.");
    EXPECT_EQ(text(5), NotHeard + Device() +
                           ") cannot play 16 bit files at 22.05kHz. You could try other "
                           "sampling rates.");
    EXPECT_EQ(text(6),
              "Last test: A 5 second, 1kHz MONO sine wave signal at 44.1 kHz sampling frequency. "
              "Check if your computer freezes or fails to respond during signal playback. Please "
              "try to move the Quavril window around on the desktop.");
    EXPECT_EQ(text(8), NotHeard + Device() +
                           ") cannot play 16 bit mono files at 44.1kHz, which is very unusual. "
                           "You could try other sampling rates.");
    EXPECT_EQ(text(9), "Next test: A 5 sec stereo wave at 44.1 kHz sampling rate. Check if your "
                       "computer freezes or fails to respond during signal playback. Please do "
                       "not touch any of the controls during play, but do try to move the "
                       "Quavril window on the desktop.");
    EXPECT_EQ(PerformanceTest::TimingNote(9000),
              "It took 9 seconds to generate a 10 second stereo CD quality signal. Your computer "
              "is fast enough to run tests at full stereo CD quality.");
    EXPECT_EQ(PerformanceTest::TimingNote(10000),
              "It took 10 seconds to generate a 10 second stereo CD quality signal. Your "
              "computer is marginally fast enough to run tests at full stereo CD quality. Check "
              "the help files for possible improvements.");
    EXPECT_EQ(PerformanceTest::TimingNote(10001),
              "It took 10.001 seconds to generate a 10 second stereo CD quality signal. Your "
              "computer is not fast enough to run tests at full stereo CD quality. Check the "
              "help files for possible improvements.");
    EXPECT_EQ(questions.HelpContexts.front(), 2);
}

TEST_F(PerformanceTestRun, theAdviceNotesQuoteTheSettingsName) {
    questions.Answers = {true, true, true, true, false, true, true};
    Run(100);
    EXPECT_EQ(questions.Shown.back().second,
              "Your computer might be too slow for 44.1 kHz sampling frequency modulated stereo "
              "signals. Please choose a lower samplingrate in \"Compatibility settings\" when "
              "playing modulated stereo signals");
    EXPECT_EQ(questions.HelpContexts.back(), 0) << "the modulated test's question";
}

TEST_F(PerformanceTestRun, aMissingBankEndsWithItsNoteAndChangesNothing) {
    questions.Answers = {true};
    Run(9000, dir.filePath("absent.qvl"));
    ASSERT_EQ(Kinds(), "CN");
    EXPECT_EQ(questions.Shown[1].second,
              "Preset file not found. Please re-install application before trying again.");
    EXPECT_EQ(session->Bank().Slot(1).Name, "Mine 1");
    EXPECT_EQ(session->Controls().SampleRate(), 11025);
}

TEST_F(PerformanceTestRun, anUnreadableBankShowsTheLoadersMessageAndEnds) {
    const QString broken = dir.filePath("broken.qvl");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a preset file at all");
    file.close();
    PresetBank scratch;
    const std::string expected = LoadPresetFile(broken.toStdString(), scratch).Error;
    ASSERT_FALSE(expected.empty());
    questions.Answers = {true, true};
    Run(9000, broken);
    ASSERT_EQ(Kinds(), "CN");
    EXPECT_EQ(questions.Shown[1].second.toStdString(), expected);
    ExpectUserStateGivenBack(11025);
}

} // namespace
