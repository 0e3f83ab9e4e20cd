// The program started with an argument, as a real process: a script runs with the window
// never shown and the program ends after it; --batch runs it with no window system at all,
// every message one line on stderr; --help and --version answer without a display.
#include "files/PresetFile.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TestSlots.h"

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>

using namespace quavril;
using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

class ScriptStart : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetUp("script-start");
        // The program's default device records what it plays.
        capture = files.dir / "capture.raw";
        files.UseOnlyCaptureDefault(capture);
        fs::create_directories(files.dir / "config" / "Orvande");
        // 44100 Hz, 4096-byte buffers, 2 buffers.
        std::ofstream(files.dir / "config" / "Orvande" / "Quavril.conf")
            << "[Software]\nOrvande\\Quavril\\Fs=3\nOrvande\\Quavril\\BufferSize=0\n"
               "Orvande\\Quavril\\Buffers=0\n";
        ::setenv("XDG_CONFIG_HOME", (files.dir / "config").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        PresetBank bank;
        bank.Slot(1) = ToneSlot("A", "1000", "0.2");
        bank.Slot(2) = ToneSlot("B", "440", "0.3");
        bank.Slot(2).Loop = true; // a script plays every slot once
        ASSERT_TRUE(SavePresetFile((files.dir / "bank.qvl").string(), bank));
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        files.TearDown();
    }
    fs::path Script(const std::string& name, const std::string& text) {
        const fs::path path = files.dir / name;
        std::ofstream(path) << text;
        return path;
    }
    std::vector<uint8_t> RenderedData(const std::string& slot) {
        const fs::path wav = files.dir / ("slot" + slot + ".wav");
        const CliResult r = files.Run(
            {"render", (files.dir / "bank.qvl").string(), slot, wav.string(), "--rate", "44100"});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::vector<uint8_t> bytes = ReadFile(wav);
        return {bytes.begin() + std::min<size_t>(44, bytes.size()), bytes.end()};
    }

    // A start as over ssh or from cron: no display, no toolkit platform chosen.
    void WithoutDisplay() {
        files.unsetInChild = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    }
    fs::path ConfigFile() const { return files.dir / "config" / "Orvande" / "Quavril.conf"; }

    CliFixture files;
    fs::path capture;
};

TEST_F(ScriptStart, aScriptPlaysItsSlotsAndTheProgramEndsWithStatusZero) {
    // A relative path is found beside the script, whatever the working folder.
    const fs::path script = Script("run.qvs", "rem two slots\r\nplay 1 bank.qvl\r\n"
                                              "PLAY 2 bank.qvl\r\n");
    fs::remove(capture);
    const CliResult r = files.RunProgram("quavril", {script.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> played = ReadFile(capture);
    const std::vector<uint8_t> last = RenderedData("2");
    ASSERT_GE(played.size(), last.size());
    EXPECT_TRUE(std::equal(last.begin(), last.end(), played.end() - last.size()))
        << "the last slot's frames end the recording";
    fs::remove(capture);
}

TEST_F(ScriptStart, helpAndVersionAnswerWithoutADisplayAndMistakesGiveStatusTwo) {
    WithoutDisplay();
    CliResult r = files.RunProgram("quavril", {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "quavril 3.92\n");
    EXPECT_EQ(r.err, "");
    r = files.RunProgram("quavril-cli", {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "quavril-cli 3.92\n");
    r = files.RunProgram("quavril", {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("FILE.qvs"), std::string::npos);
    EXPECT_NE(r.out.find("--batch SCRIPT"), std::string::npos);
    EXPECT_EQ(r.err, "");
    r = files.RunProgram("quavril", {"--batch"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "quavril: --batch needs a script file (see quavril --help)\n");
    r = files.RunProgram("quavril", {"--bacth", "x.qvs"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "quavril: unknown option '--bacth' (see quavril --help)\n");
}

// A window start where no window can open ends with one line that says why and how a script
// runs without one, and status 1, never with the toolkit's abort.
TEST_F(ScriptStart, aWindowStartWithoutADisplaySaysWhyAndEndsWithStatusOne) {
    const fs::path script = Script("run.qvs", "play 1 bank.qvl\n");
    const std::string how = "; a script runs without a window as quavril --batch SCRIPT.qvs\n";
    const std::string none = "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    // DISPLAY (null: unset), the arguments, and why no window opens.
    const std::tuple<const char*, std::vector<std::string>, std::string> cases[] = {
        {nullptr, {}, none},
        {nullptr, {script.string()}, none},
        {":987", {script.string()}, "the display :987 cannot be reached"},
        {nullptr, {"-display", ":988", script.string()}, "the display :988 cannot be reached"},
    };
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    for (const auto& [display, args, why] : cases) {
        if (display) {
            ::setenv("DISPLAY", display, 1);
            files.unsetInChild = {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
        } else {
            WithoutDisplay();
        }
        fs::remove(capture);
        const CliResult r = files.RunProgram("quavril", args);
        EXPECT_EQ(r.status, 1) << why;
        EXPECT_EQ(r.err, "quavril: the window cannot open: " + why + how);
        EXPECT_FALSE(fs::exists(capture)) << "nothing played";
    }
    saved.empty() ? ::unsetenv("DISPLAY") : ::setenv("DISPLAY", saved.c_str(), 1);
}

// An unattended run: no window, no box, no display, stdin a pipe nobody writes into; it ends
// at once with every message one line on stderr naming the script, the line and the file, and
// status 1 after any error message, also where the script went on. `pause` prints its text and
// goes on. The stored settings are read, never written. File names are bytes: the script's and
// a play line's names in Latin-1 are used as they are and shown escaped. Each case: the
// script, the status, stderr (% stands for the script's path) and whether slot 1 is played.
TEST_F(ScriptStart, aBatchRunPrintsEachMessageOnOneLineAndFailsAfterAnyOfThem) {
    WithoutDisplay();
    int silent[2];
    ASSERT_EQ(::pipe2(silent, O_CLOEXEC), 0);
    files.stdinFd = silent[0];
    std::ofstream(files.dir / "junk.qvl") << "no preset";
    fs::copy_file(files.dir / "bank.qvl", files.dir / "\xE9.qvl");
    const std::tuple<std::string, int, std::string, bool> cases[] = {
        {"play 1 bank.qvl\r\nend\r\n", 0, "", true},
        {"bogus\n", 1, "quavril: %:1: Invalid command in line 1\n", false},
        {"play 1 missing.qvl\nplay 1 bank.qvl\n", 1,
         "quavril: %:1: FILE NOT FOUND: 'missing.qvl'.\n", true},
        {"rem\nplay 2 junk.qvl\nplay 1 bank.qvl\nend", 1,
         "quavril: %:2: Wrong file format: 'junk.qvl'.\n", true},
        {"delay x\n", 1, "quavril: %:1: 'x' is not a valid floating point value\n", false},
        {"pause Check the level\npause\nplay 1 bank.qvl\n", 0,
         "quavril: %:1: Check the level\nquavril: %:2: Pause in script. Press OK to continue\n",
         true},
        {"play 1 \xE9.qvl\nplay 1 n\xE9.qvl\n", 1, "quavril: %:2: FILE NOT FOUND: 'n\\xe9.qvl'.\n",
         true},
    };
    const std::string settings = ReadText(ConfigFile());
    for (const auto& [text, status, said, plays] : cases) {
        const fs::path script = Script("b\xE9.qvs", text);
        fs::remove(capture);
        const CliResult r = files.RunProgram("quavril", {"--batch", script.string()}, 20000);
        std::string err = said;
        for (auto at = err.find('%'); at != std::string::npos; at = err.find('%'))
            err.replace(at, 1, (files.dir / "b\\xe9.qvs").string());
        EXPECT_EQ(r.status, status) << text;
        EXPECT_EQ(r.err, err) << text;
        EXPECT_EQ(r.out, "") << text;
        EXPECT_EQ(fs::exists(capture) && fs::file_size(capture) > 0, plays) << text;
        EXPECT_EQ(ReadText(ConfigFile()), settings) << "a batch run never writes the settings";
    }
    ::close(silent[0]);
    ::close(silent[1]);
}

// What cannot be a script gives its reason and status 1, never a window: a folder, links that
// lead nowhere, a device (a node of our own, reached through a link) and a silent pipe.
TEST_F(ScriptStart, aBatchRunRefusesWhatIsNoScript) {
    WithoutDisplay();
    const fs::path d = files.dir;
    fs::create_directory(d / "folder.qvs");
    fs::create_symlink(d / "none", d / "dangling.qvs");
    fs::create_symlink(d / "loop.qvs", d / "loop.qvs");
    ASSERT_EQ(::mkfifo((d / "fifo.qvs").c_str(), 0600), 0);
    const bool root = ::mknod((d / "zero").c_str(), S_IFCHR | 0600, ::makedev(1, 5)) == 0;
    fs::create_symlink(d / "zero", d / "device.qvs");
    std::vector<std::pair<std::string, std::string>> cases = {
        {"folder.qvs", "Cannot open file %: Is a directory"},
        {"dangling.qvs", "Cannot open file %: No such file or directory"},
        {"loop.qvs", "Cannot open file %: Too many levels of symbolic links"},
        {"fifo.qvs", "Cannot read file %: nothing arrived through the pipe within 5 s"},
    };
    if (root)
        cases.emplace_back("device.qvs", "Cannot read file %: not a regular file or a pipe");
    for (auto [name, reason] : cases) {
        const std::string path = (d / name).string();
        reason.replace(reason.find('%'), 1, path);
        const CliResult r = files.RunProgram("quavril", {"--batch", path}, 20000);
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.err, "quavril: " + path + ": " + reason + "\n") << name;
    }
}

// A script named in Latin-1 starts as a script (the window would never end by itself).
TEST_F(ScriptStart, aScriptNamedInLatin1StartsAsAScript) {
    fs::copy_file(files.dir / "bank.qvl", files.dir / "\xE9.qvl");
    const CliResult r = files.RunProgram(
        "quavril", {Script("\xE9z.qvs", "play 1 \xE9.qvl\nend\n").string()}, 30000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(capture) && fs::file_size(capture) > 0);
}

// On a terminal, `pause` waits for Enter while the program goes on serving its events.
TEST_F(ScriptStart, aBatchPauseOnATerminalWaitsForEnter) {
    WithoutDisplay();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0);
    files.stdinFd = terminal;
    const fs::path script = Script("ask.qvs", "pause Connect the speaker\nend\n");
    const pid_t pid = files.Spawn({"--batch", script.string()}, "quavril");
    const std::string prompt =
        "quavril: " + script.string() + ":1: Connect the speaker (press Enter to go on)\n";
    EXPECT_TRUE(WaitFor([&] { return ReadText(files.dir / "stderr.txt") == prompt; }));
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "the run waits for Enter";
    ASSERT_EQ(::write(master, "\n", 1), 1);
    const CliResult r = files.Wait(pid, 20000);
    ::close(terminal);
    ::close(master);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, prompt);
}

// A device that cannot be opened: its message is one line on the play line, the script goes
// on, and the run fails.
TEST_F(ScriptStart, aDeviceErrorIsOneLineAndFailsTheRun) {
    WithoutDisplay();
    const fs::path conf = files.dir / "broken.conf";
    std::ofstream(conf) << "pcm.!default { type hw card 77 }\n";
    ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    const fs::path script = Script("device.qvs", "rem\nplay 1 bank.qvl\nrem after\nend\n");
    const CliResult r = files.RunProgram("quavril", {"--batch", script.string()}, 20000);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("quavril: " + script.string() + ":2: Sound Device Error: ", 0), 0u)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

} // namespace
