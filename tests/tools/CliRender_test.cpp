// Runs the real quavril-cli binary on preset files written by the project's own writer.
#include "files/PresetFile.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TestSlots.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/wait.h>

using namespace quavril;
using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

int16_t Sample(const std::vector<uint8_t>& b, size_t index) {
    return static_cast<int16_t>(b[44 + 2 * index] | (b[45 + 2 * index] << 8));
}

struct CliRenderTest : ::testing::Test {
    CliFixture cli;
    fs::path dir, preset;
    void SetUp() override {
        cli.SetUp("render");
        dir = cli.dir;
        preset = dir / "bank.qvl";
        PresetBank bank;
        bank.Slot(1) = ToneSlot("Tone", "1000", "0.5");
        PresetSlot stereo = ToneSlot("Stereo", "1000", "0.25", false);
        stereo.PhaseEdit = "90";
        bank.Slot(2) = stereo;
        bank.Slot(3) = ToneSlot("Too high", "30000", "1"); // above half of 44100 Hz
        bank.Slot(4) = ToneSlot("No duration", "1000", "ten");
        ASSERT_TRUE(SavePresetFile(preset.string(), bank));
    }
    void TearDown() override { cli.TearDown(); }
    void ExpectFailure(const std::vector<std::string>& args, const std::string& part,
                       const fs::path& out) {
        const CliResult r = cli.Run(args);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
};

} // namespace

TEST_F(CliRenderTest, rendersTheGoldenFirstSamplesAtTheChosenRate) {
    const fs::path out = dir / "mono.wav";
    ASSERT_EQ(cli.Run({"render", preset.string(), "1", out.string(), "--rate", "48000"}).status, 0);
    const auto b = ReadFile(out);
    ASSERT_EQ(b.size(), 44u + 24000u * 2);
    EXPECT_EQ(b[24] | (b[25] << 8) | (b[26] << 16), 48000);
    EXPECT_EQ(Sample(b, 0), 4277);

    const fs::path st = dir / "stereo.wav";
    ASSERT_EQ(cli.Run({"render", preset.string(), "2", st.string(), "--rate=48000"}).status, 0);
    const auto s = ReadFile(st);
    ASSERT_EQ(s.size(), 44u + 12000u * 4);
    EXPECT_EQ(Sample(s, 0), 4277);
    EXPECT_EQ(Sample(s, 1), 32487);
}

TEST_F(CliRenderTest, defaultRateIsCdQuality) {
    const fs::path out = dir / "cd.wav";
    ASSERT_EQ(cli.Run({"render", preset.string(), "1", out.string()}).status, 0);
    const auto b = ReadFile(out);
    EXPECT_EQ(b.size(), 44u + 22050u * 2);
}

TEST_F(CliRenderTest, badInputFailsWithOneLineAndNoFile) {
    const fs::path out = dir / "out.wav";
    ExpectFailure({"render", (dir / "none.qvl").string(), "1", out.string()}, "none.qvl", out);
    std::ofstream(dir / "junk.qvl") << "not a preset file at all";
    ExpectFailure({"render", (dir / "junk.qvl").string(), "1", out.string()}, "Wrong file format",
                  out);
    ExpectFailure({"render", preset.string(), "5", out.string()}, "slot '5'", out);
    ExpectFailure({"render", preset.string(), "0", out.string()}, "slot '0'", out);
    ExpectFailure({"render", preset.string(), "1", out.string(), "--rate", "0"}, "rate '0'", out);
    ExpectFailure({"render", preset.string(), "1", out.string(), "--rate", "44.1k"}, "rate", out);
    ExpectFailure({"render", preset.string(), "3", out.string()}, "30000", out);
    ExpectFailure({"render", preset.string(), "4", out.string()}, "duration 'ten'", out);
    ExpectFailure({"render", preset.string(), "1", (dir / "no" / "x.wav").string()},
                  "File Access Error, cannot write file.", dir / "no" / "x.wav");
    ExpectFailure({"render", preset.string(), "1"}, "render needs", out);
    ExpectFailure({"render", preset.string(), "1", out.string(), "--speed", "2"}, "--speed", out);
}

TEST_F(CliRenderTest, aFailedRenderKeepsAnExistingFile) {
    const fs::path out = dir / "existing.wav";
    std::ofstream(out) << "keep me";
    EXPECT_NE(cli.Run({"render", preset.string(), "3", out.string()}).status, 0);
    const auto b = ReadFile(out);
    EXPECT_EQ(std::string(b.begin(), b.end()), "keep me");
}

TEST_F(CliRenderTest, helpExplainsTheCommand) {
    const CliResult r = cli.Run({"render", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--rate HZ"), std::string::npos);
}

// QUAVRIL_SIMD picks the vector level of the synthesis; every level, and a name the program
// does not know, renders the same bytes.
TEST_F(CliRenderTest, everyVectorLevelRendersTheSameBytes) {
    PresetBank bank;
    PresetSlot pink = ToneSlot("Pink", "1000", "0.3", false);
    pink.WaveFormLeft = pink.WaveFormRight = 5;
    pink.ModulationOnRight = true;
    bank.Slot(1) = pink;
    PresetSlot sweep = ToneSlot("Sweep", "20", "0.3", false);
    sweep.fFinalLeft = sweep.fFinalRight = "20000";
    sweep.chkConstantLeft = sweep.chkConstantRight = false;
    sweep.LogarithmicLeft = true;
    sweep.ModulationOnLeft = true;
    sweep.PhaseEdit = "45";
    bank.Slot(2) = sweep;
    const fs::path levels = dir / "levels.qvl";
    ASSERT_TRUE(SavePresetFile(levels.string(), bank));
    for (const char* slot : {"1", "2"}) {
        std::vector<std::vector<uint8_t>> renders;
        for (const char* level : {"scalar", "sse2", "avx2", "fastest"}) {
            ::setenv("QUAVRIL_SIMD", level, 1);
            const fs::path out = dir / (std::string(level) + ".wav");
            const CliResult r = cli.Run({"render", levels.string(), slot, out.string()});
            ::unsetenv("QUAVRIL_SIMD");
            ASSERT_EQ(r.status, 0) << r.err;
            renders.push_back(ReadFile(out));
        }
        ASSERT_EQ(renders[0].size(), 44u + 13230u * 4);
        for (size_t i = 1; i < renders.size(); ++i)
            EXPECT_EQ(renders[i], renders[0]) << "slot " << slot << " level " << i;
    }
}
