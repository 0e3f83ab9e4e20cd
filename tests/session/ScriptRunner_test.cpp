#include "session/ScriptRunner.h"
#include "tests/session/FakeScriptHost.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quavril {
namespace {

namespace fs = std::filesystem;
using test::FakeScriptHost;
using Log = std::vector<std::string>;

class ScriptRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quavril-runner-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        Touch("a.qvl");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Touch(const std::string& name) const {
        fs::create_directories(fs::path(Path(name)).parent_path());
        std::ofstream(Path(name)) << "preset";
    }
    // Writes the script and runs it.
    ScriptOutcome Run(const std::string& text, const std::string& name = "s.qvs") {
        std::ofstream(Path(name), std::ios::binary) << text;
        return runner.Run(Path(name));
    }
    // The labels shown, in order.
    Log Labels() const {
        Log labels;
        for (const auto& entry : host.Log)
            if (entry.rfind("label ", 0) == 0)
                labels.push_back(entry.substr(6));
        return labels;
    }

    fs::path dir_;
    FakeScriptHost host;
    ScriptRunner runner{host, host, host};
};

TEST_F(ScriptRunnerTest, playsEachLineOnceThenRestoresLoopAndUnlocksTheMainWindow) {
    for (const bool loopBefore : {false, true}) {
        host = FakeScriptHost();
        host.PlayTicks = 2;
        host.LoopBox = loopBefore;
        const std::string loop = loopBefore ? "loop 1" : "loop 0";
        EXPECT_EQ(Run("play 1 a.qvl\r\nPlay 2 a.qvl\r\nend\r\nrem never\r\n"),
                  ScriptOutcome::Finished);
        const std::string load = "load " + Path("a.qvl");
        EXPECT_EQ(host.Log, (Log{"enable 0", "show",
                                 // line 1: the slot loops, the script plays it once
                                 "label Line 1: play", load, "recall 1", "loop 1", "loop 0",
                                 "start", "playing", "tick", "tick", "stopped",
                                 // line 2
                                 "label Line 2: play", load, "recall 2", "loop 1", "loop 0",
                                 "start", "playing", "tick", "tick", "stopped",
                                 // end: the window goes, then the orderly end
                                 "label Line 3: end", "hide", "enable 1", loop, "enable 1"}));
        EXPECT_FALSE(runner.Running());
    }
}

TEST_F(ScriptRunnerTest, delaysWaitWholeTicksAndAtLeastOne) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"delay 2.5", 25}, {"delay 1", 10},   {"delay 0", 1},    {"delay -1", 1},
        {"delay 0.05", 1}, {"delay 0.15", 2}, {"DELAY 5e-1", 5},
    };
    for (const auto& [line, ticks] : cases) {
        host = FakeScriptHost();
        EXPECT_EQ(Run(line + "\nend\n"), ScriptOutcome::Finished) << line;
        EXPECT_EQ(host.Ticks, ticks) << line;
        EXPECT_TRUE(host.Messages().empty()) << line;
    }
}

TEST_F(ScriptRunnerTest, secondButtonEndsTheWaitAtTheTickAndTheScriptAfterTheLine) {
    // During a delay.
    host.AtTick[3] = [&] { runner.StopRequested(); };
    EXPECT_EQ(Run("delay 2.5\nrem after\n"), ScriptOutcome::Finished);
    EXPECT_EQ(host.Ticks, 3);
    EXPECT_EQ(Labels(), Log{"Line 1: delay"});
    EXPECT_FALSE(host.PopupShown);
    EXPECT_TRUE(host.MainWindowEnabled);

    // During a playback, which keeps running.
    host = FakeScriptHost();
    host.PlayTicks = 10;
    host.AtTick[2] = [&] {
        EXPECT_FALSE(host.MainWindowEnabled);
        runner.StopRequested();
        EXPECT_TRUE(host.MainWindowEnabled); // unlocked as soon as the window is gone
    };
    EXPECT_EQ(Run("play 1 a.qvl\nrem after\n"), ScriptOutcome::Finished);
    EXPECT_EQ(host.Ticks, 2);
    EXPECT_TRUE(host.PlayingNow);
    EXPECT_EQ(Labels(), Log{"Line 1: play"});
}

TEST_F(ScriptRunnerTest, closingTheWindowLetsTheCurrentCommandFinishThenEnds) {
    for (const std::string line : {"play 1 a.qvl", "delay 0.6"}) {
        host = FakeScriptHost();
        host.PlayTicks = 6;
        host.AtTick[1] = [&] { runner.CloseRequested(); };
        EXPECT_EQ(Run(line + "\nrem after\n"), ScriptOutcome::Finished) << line;
        EXPECT_EQ(host.Ticks, 6) << line;
        EXPECT_FALSE(host.PlayingNow) << line;
        EXPECT_EQ(Labels().size(), 1u) << line;
        EXPECT_EQ(host.Count("hide"), 1) << line;
    }
}

TEST_F(ScriptRunnerTest, repeatRunsTheScriptAgainUntilAButtonIsPressed) {
    host.PlayTicks = 2;
    host.AtTick[7] = [&] { runner.StopRequested(); };
    EXPECT_EQ(Run("play 1 a.qvl\nrepeat\n"), ScriptOutcome::Finished);
    EXPECT_EQ(host.Count("recall"), 4); // ticks 1-2, 3-4, 5-6, stopped at 7
    EXPECT_EQ(Labels(), (Log{"Line 1: play", "Line 2: repeat", "Line 1: play", "Line 2: repeat",
                             "Line 1: play", "Line 2: repeat", "Line 1: play"}));

    // A script of repeat lines, or of pauses that nobody answers (a batch run), only waits a
    // tick per pass instead of spinning.
    for (const std::string script : {"repeat\n", "pause\nrepeat\n"}) {
        host = FakeScriptHost();
        host.AtTick[4] = [&] { runner.CloseRequested(); };
        int served = 0;
        host.OnServiceEvents = [&] {
            if (++served == 100) // a spinning loop: end it, so that the test fails, not hangs
                runner.CloseRequested();
        };
        EXPECT_EQ(Run(script), ScriptOutcome::Finished) << script;
        EXPECT_EQ(host.Ticks, 4) << script;
        EXPECT_EQ(host.Count("label Line 1: " + script.substr(0, script.find('\n'))), 4) << script;
    }
}

TEST_F(ScriptRunnerTest, repeatReadsTheScriptAgain) {
    host.AtTick[1] = [&] { std::ofstream(Path("s.qvs")) << "rem edited\nend\n"; };
    EXPECT_EQ(Run("delay 0\nrepeat\n"), ScriptOutcome::Finished);
    EXPECT_EQ(Labels(), (Log{"Line 1: delay", "Line 2: repeat", "Line 1: rem", "Line 2: end"}));
}

TEST_F(ScriptRunnerTest, autostartRecallStillPlaysOnce) {
    host.AutoStart = true;
    host.SlotLoops = true;
    host.PlayTicks = 4;
    EXPECT_EQ(Run("play 3 a.qvl\nend\n"), ScriptOutcome::Finished);
    EXPECT_EQ(host.Ticks, 4);
    EXPECT_EQ(host.Count("playing"), 1);
    EXPECT_FALSE(host.PlayingNow);
    EXPECT_FALSE(host.LoopBox);
}

TEST_F(ScriptRunnerTest, waitsForAPlaybackStartedElsewhereBeforeTheNextLine) {
    host.PlayTicks = 3;
    host.OnServiceEvents = [&] {
        if (host.Label == "Line 1: rem" && !host.PlayingNow && host.Ticks == 0)
            host.StartOthersPlayback();
    };
    // The peer's signal starts while line 1 is served; line 1 ends only after it.
    EXPECT_EQ(Run("rem\nrem\nrem\n"), ScriptOutcome::Finished);
    EXPECT_EQ(host.Ticks, 3);
    const auto stopped = std::find(host.Log.begin(), host.Log.end(), "stopped");
    EXPECT_LT(stopped - host.Log.begin(),
              std::find(host.Log.begin(), host.Log.end(), "label Line 2: rem") - host.Log.begin());
}

struct Behaviour {
    std::string Script;
    Log Messages;
    ScriptOutcome Outcome;
    Log Labels; // the lines that ran
};

TEST_F(ScriptRunnerTest, badLinesGiveAMessageAndAnOrderlyEnd) {
    const std::vector<Behaviour> cases = {
        // The end of the file ends quietly; an empty line inside is an invalid command.
        {"rem a\nrem b", {}, ScriptOutcome::Finished, {"Line 1: rem", "Line 2: rem"}},
        {"rem a\n\nrem b\n",
         {"error: Invalid command in line 2"},
         ScriptOutcome::Failed,
         {"Line 1: rem", "Line 2: "}},
        {" rem", {"error: Invalid command in line 1"}, ScriptOutcome::Failed, {"Line 1: "}},
        {"remark\nend",
         {"error: Invalid command in line 1"},
         ScriptOutcome::Failed,
         {"Line 1: remark"}},
        {"rem\nplay x a.qvl\nrem",
         {"error: 'x' is not a valid integer value"},
         ScriptOutcome::Failed,
         {"Line 1: rem", "Line 2: play"}},
        {"play 1.5 a.qvl",
         {"error: '1.5' is not a valid integer value"},
         ScriptOutcome::Failed,
         {"Line 1: play"}},
        {"play 5 a.qvl",
         {"error: Invalid slot number in line 1"},
         ScriptOutcome::Failed,
         {"Line 1: play"}},
        {"rem\nplay 0 missing.qvl",
         {"error: Invalid slot number in line 2"},
         ScriptOutcome::Failed,
         {"Line 1: rem", "Line 2: play"}},
        {"delay abc\nrem",
         {"error: 'abc' is not a valid floating point value"},
         ScriptOutcome::Failed,
         {"Line 1: delay"}},
        {"delay\nrem",
         {"error: '' is not a valid floating point value"},
         ScriptOutcome::Failed,
         {"Line 1: delay"}},
        // A missing or unreadable preset file: the message, then the next line; the run
        // still counts as failed, so that a script whose presets are all missing does not
        // succeed.
        {"play 1 my presets/missing.qvl \nend",
         {"error: FILE NOT FOUND: 'my presets/missing.qvl'."},
         ScriptOutcome::Failed,
         {"Line 1: play", "Line 2: end"}},
        {"play 1\nend",
         {"error: FILE NOT FOUND: ''."},
         ScriptOutcome::Failed,
         {"Line 1: play", "Line 2: end"}},
        {"play 2 bad.qvl\nend",
         {"error: Cannot read file bad.qvl: Input/output error"},
         ScriptOutcome::Failed,
         {"Line 1: play", "Line 2: end"}},
        {"play 3 junk.qvl\nend",
         {"error: Wrong file format: 'junk.qvl'."},
         ScriptOutcome::Failed,
         {"Line 1: play", "Line 2: end"}},
        {"pause\npause Check the level\npause  x\nend",
         {"info: Pause in script. Press OK to continue", "info: Check the level",
          "info: Pause in script. Press OK to continue"},
         ScriptOutcome::Finished,
         {"Line 1: pause", "Line 2: pause", "Line 3: pause", "Line 4: end"}},
    };
    Touch("bad.qvl");
    Touch("junk.qvl");
    for (const auto& c : cases) {
        host = FakeScriptHost();
        host.LoopBox = true;
        host.Unreadable = {Path("bad.qvl")};
        host.WrongFormat = {Path("junk.qvl")};
        EXPECT_EQ(Run(c.Script), c.Outcome) << c.Script;
        EXPECT_EQ(host.Messages(), c.Messages) << c.Script;
        EXPECT_EQ(Labels(), c.Labels) << c.Script;
        EXPECT_EQ(host.Count("recall"), 0) << c.Script;
        // The orderly end.
        EXPECT_TRUE(host.LoopBox) << c.Script;
        EXPECT_TRUE(host.MainWindowEnabled) << c.Script;
        EXPECT_FALSE(host.PopupShown) << c.Script;
        EXPECT_FALSE(runner.Running()) << c.Script;
    }
}

TEST_F(ScriptRunnerTest, anUnopenableScriptSaysWhyAndTouchesNothing) {
    EXPECT_EQ(runner.Run(Path("none.qvs")), ScriptOutcome::Failed);
    EXPECT_EQ(host.Log,
              (Log{"error: Cannot open file " + Path("none.qvs") + ": No such file or directory"}));
}

TEST_F(ScriptRunnerTest, relativePresetPathsAreFoundBesideTheScript) {
    Touch("sub/My presets/b c.qvl");
    const fs::path before = fs::current_path();
    fs::current_path(fs::temp_directory_path());
    EXPECT_EQ(Run("play 4 My presets/b c.qvl \nplay 1 " + Path("a.qvl") + "\nend", "sub/s.qvs"),
              ScriptOutcome::Finished);
    fs::current_path(before);
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(host.Count("load " + Path("sub/My presets/b c.qvl")), 1);
    EXPECT_EQ(host.Count("load " + Path("a.qvl")), 1);

    // A script read through a descriptor has no folder: the working folder counts.
    host = FakeScriptHost();
    const int fd = ::open(Path("sub/s.qvs").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    fs::current_path(dir_ / "sub");
    EXPECT_EQ(runner.Run("/dev/fd/" + std::to_string(fd)), ScriptOutcome::Finished);
    fs::current_path(before);
    ::close(fd);
    EXPECT_EQ(host.Count("load My presets/b c.qvl"), 1) << host.Log.front();
}

TEST_F(ScriptRunnerTest, theGeneratorsOwnFailureFailsTheRunThatGoesOn) {
    host.StartFails = true;
    EXPECT_EQ(Run("play 1 a.qvl\nrem next\nend\n"), ScriptOutcome::Failed);
    EXPECT_EQ(host.Messages(), Log{"error: Sound Device Error: no such device"});
    EXPECT_EQ(Labels(), (Log{"Line 1: play", "Line 2: rem", "Line 3: end"}));
    // A failure from before the run does not count against it.
    host.StartFails = false;
    EXPECT_EQ(Run("play 1 a.qvl\nend\n"), ScriptOutcome::Finished);
}

struct NameCase {
    std::string Script;  // bytes
    std::string Present; // the preset file that exists, beside the script
    std::string Loaded;  // what is loaded, empty for none
    Log Messages;
};

// File names are bytes: a name in a Windows-1252 line is used as written, then as the screen
// shows it (a file saved under its UTF-8 name); messages show names escaped, texts decoded.
TEST_F(ScriptRunnerTest, namesAreUsedAsTheirBytesAndShownEscaped) {
    const std::vector<NameCase> cases = {
        {"play 1 \xE9t\xE9.qvl\nend", "\xE9t\xE9.qvl", "\xE9t\xE9.qvl", {}},
        {"play 1 \xE9t\xE9.qvl\nend", "\xC3\xA9t\xC3\xA9.qvl", "\xC3\xA9t\xC3\xA9.qvl", {}},
        {"play 1 caf\xC3\xA9.qvl\nend", "caf\xC3\xA9.qvl", "caf\xC3\xA9.qvl", {}},
        {"play 1 \xE9t\xE9.qvl", "other.qvl", "", {"error: FILE NOT FOUND: '\\xe9t\\xe9.qvl'."}},
        {"pause Pr\374fung\nplay \xB2 a.qvl",
         "a.qvl",
         "",
         {"info: Pr\303\274fung", "error: '\xC2\xB2' is not a valid integer value"}},
    };
    for (const auto& c : cases) {
        host = FakeScriptHost();
        const test::TempFolder folder("quavril-names");
        const fs::path dir = folder.Path();
        std::ofstream(dir / c.Present) << "preset";
        std::ofstream(dir / "\xE9.qvs", std::ios::binary) << c.Script;
        runner.Run((dir / "\xE9.qvs").string());
        EXPECT_EQ(host.Count("load " + (dir / c.Loaded).string()), c.Loaded.empty() ? 0 : 1)
            << c.Script;
        EXPECT_EQ(host.Count("load"), c.Loaded.empty() ? 0 : 1) << c.Script;
        EXPECT_EQ(host.Messages(), c.Messages) << c.Script;
    }
}

TEST_F(ScriptRunnerTest, aRunStartedDuringARunIsRefused) {
    ScriptOutcome nested = ScriptOutcome::Finished;
    host.AtTick[1] = [&] { nested = runner.Run(Path("s.qvs")); };
    EXPECT_EQ(Run("delay 0.5\nend\n"), ScriptOutcome::Finished);
    EXPECT_EQ(nested, ScriptOutcome::Failed);
    EXPECT_EQ(host.Count("show"), 1);
    EXPECT_EQ(host.Ticks, 5);
}

} // namespace
} // namespace quavril
