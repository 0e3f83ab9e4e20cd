// The program started with an argument, as a real process: a script runs with the window
// never shown and the program ends after it; --help and --version answer.
#include "files/PresetFile.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TestSlots.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace quavril;
using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

class ScriptStart : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetUp("script-start");
        // The program's default device records what it plays.
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

    CliFixture files;
    fs::path capture = fs::temp_directory_path() /
                       ("quavril-script-capture-" + std::to_string(::getpid()) + ".raw");
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

TEST_F(ScriptStart, helpAndVersionAnswerWithoutAWindow) {
    CliResult r = files.RunProgram("quavril", {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "quavril 3.92\n");
    r = files.RunProgram("quavril", {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("FILE.qvs"), std::string::npos);
}

} // namespace
