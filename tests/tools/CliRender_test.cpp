// Runs the real quavril-cli binary on preset files written by the project's own writer.
#include "PresetFile.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/wait.h>

using namespace quavril;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

CliRun Cli(const std::vector<std::string>& args, const fs::path& errFile) {
    std::string cmd = Quote(std::string(QUAVRIL_BIN_DIR) + "/quavril-cli");
    for (const auto& a : args)
        cmd += " " + Quote(a);
    cmd += " 2>" + Quote(errFile.string()) + " >/dev/null";
    CliRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), {});
    return r;
}

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int16_t Sample(const std::vector<uint8_t>& b, size_t index) {
    return static_cast<int16_t>(b[44 + 2 * index] | (b[45 + 2 * index] << 8));
}

PresetSlot Tone(const std::string& hz, const std::string& seconds) {
    PresetSlot s;
    s.Name = "Tone";
    s.fInitLeft = s.fInitRight = hz;
    s.fFinalLeft = s.fFinalRight = "1000";
    s.Duration = seconds;
    s.AmplitudeLeft = s.AmplitudeRight = "0";
    s.Mono = true;
    s.Lefttick = s.RightTick = true;
    s.PhaseEdit = "0";
    s.chkConstantLeft = s.chkConstantRight = true;
    s.ModPeriodLeftEdit = s.ModPeriodRightEdit = "1";
    s.ModDepthLeftEdit = s.ModDepthRightEdit = "100";
    s.ModFunctionLeft = s.ModFunctionRight = 1;
    s.ModPhaseLeftEdit = s.ModPhaseRightEdit = "0";
    return s;
}

struct CliRenderTest : ::testing::Test {
    fs::path dir;
    fs::path preset, err;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quavril-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        preset = dir / "bank.qvl";
        err = dir / "stderr.txt";
        PresetBank bank;
        bank.Slot(1) = Tone("1000", "0.5");
        PresetSlot stereo = Tone("1000", "0.25");
        stereo.Mono = false;
        stereo.PhaseEdit = "90";
        bank.Slot(2) = stereo;
        bank.Slot(3) = Tone("30000", "1"); // above half of 44100 Hz
        bank.Slot(4) = Tone("1000", "ten");
        ASSERT_TRUE(SavePresetFile(preset.string(), bank));
    }
    void TearDown() override { fs::remove_all(dir); }
    void ExpectFailure(const std::vector<std::string>& args, const std::string& part,
                       const fs::path& out) {
        const CliRun r = Cli(args, err);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
};

} // namespace

TEST_F(CliRenderTest, rendersTheGoldenFirstSamplesAtTheChosenRate) {
    const fs::path out = dir / "mono.wav";
    ASSERT_EQ(Cli({"render", preset.string(), "1", out.string(), "--rate", "48000"}, err).status,
              0);
    const auto b = ReadAll(out);
    ASSERT_EQ(b.size(), 44u + 24000u * 2);
    EXPECT_EQ(b[24] | (b[25] << 8) | (b[26] << 16), 48000);
    EXPECT_EQ(Sample(b, 0), 4277);

    const fs::path st = dir / "stereo.wav";
    ASSERT_EQ(Cli({"render", preset.string(), "2", st.string(), "--rate=48000"}, err).status, 0);
    const auto s = ReadAll(st);
    ASSERT_EQ(s.size(), 44u + 12000u * 4);
    EXPECT_EQ(Sample(s, 0), 4277);
    EXPECT_EQ(Sample(s, 1), 32487);
}

TEST_F(CliRenderTest, defaultRateIsCdQuality) {
    const fs::path out = dir / "cd.wav";
    ASSERT_EQ(Cli({"render", preset.string(), "1", out.string()}, err).status, 0);
    const auto b = ReadAll(out);
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
    EXPECT_NE(Cli({"render", preset.string(), "3", out.string()}, err).status, 0);
    const auto b = ReadAll(out);
    EXPECT_EQ(std::string(b.begin(), b.end()), "keep me");
}

TEST_F(CliRenderTest, helpExplainsTheCommand) {
    const fs::path help = dir / "help.txt";
    const std::string cmd = Quote(std::string(QUAVRIL_BIN_DIR) + "/quavril-cli") +
                            " render --help > " + Quote(help.string());
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(help);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(text.find("--rate HZ"), std::string::npos);
}
