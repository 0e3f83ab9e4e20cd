// Runs the real quavril-cli binary on preset files written by the project's own writer.
#include "files/PresetFile.h"
#include "tests/support/CliProcess.h"
#include "tests/support/DeviceNodes.h"
#include "tests/support/TestSlots.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
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

// In the wave export the right sawtooth starts at the phase (180 degrees: at the top, so its
// first step wraps to the bottom); the left one starts at 0. At 12345.6 Hz a step is 0.5599 of
// the half range, so a right channel started like the left one shows at once.
TEST_F(CliRenderTest, anExportedStereoSawtoothStartsTheRightChannelAtThePhase) {
    PresetBank bank;
    PresetSlot saw = ToneSlot("Saw 180", "12345.6", "0.01", false);
    saw.WaveFormLeft = saw.WaveFormRight = 3;
    saw.PhaseEdit = "180";
    bank.Slot(1) = saw;
    const fs::path file = dir / "saw.qvl";
    ASSERT_TRUE(SavePresetFile(file.string(), bank));
    const fs::path out = dir / "saw.wav";
    ASSERT_EQ(cli.Run({"render", file.string(), "1", out.string()}).status, 0);
    const auto b = ReadFile(out);
    ASSERT_GE(b.size(), 44u + 4 * 4);
    // Frames 0 and 1, left then right: 32767 x the running value, to the nearest integer.
    EXPECT_EQ(Sample(b, 0), 18346);  // 0 + 0.55989
    EXPECT_EQ(Sample(b, 1), -14421); // 1 + 0.55989 - 2
    EXPECT_EQ(Sample(b, 2), -28842); // 1.11978 - 2
    EXPECT_EQ(Sample(b, 3), 3925);   // -0.44011 + 0.55989
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
    ExpectFailure({"render", preset.string(), "4", out.string()}, "duration 'ten'", out);
    ExpectFailure({"render", preset.string(), "1", (dir / "no" / "x.wav").string()},
                  "File Access Error, cannot write file.", dir / "no" / "x.wav");
    ExpectFailure({"render", preset.string(), "1"}, "render needs", out);
    ExpectFailure({"render", preset.string(), "1", out.string(), "--speed", "2"}, "--speed", out);
}

// A frequency above half the rate is lowered to it, as the window does when it applies the
// slot: the render is that of a slot holding half the rate.
TEST_F(CliRenderTest, aFrequencyAboveHalfTheRateRendersAtHalfTheRate) {
    PresetBank half;
    half.Slot(3) = ToneSlot("Half", "22050", "1");
    const fs::path halfPreset = dir / "half.qvl";
    ASSERT_TRUE(SavePresetFile(halfPreset.string(), half));
    const fs::path high = dir / "high.wav", limit = dir / "limit.wav";
    ASSERT_EQ(cli.Run({"render", preset.string(), "3", high.string()}).status, 0);
    ASSERT_EQ(cli.Run({"render", halfPreset.string(), "3", limit.string()}).status, 0);
    const auto b = ReadFile(high);
    EXPECT_EQ(b.size(), 44u + 44100u * 2);
    EXPECT_EQ(b, ReadFile(limit));
}

TEST_F(CliRenderTest, aFailedRenderKeepsAnExistingFile) {
    const fs::path out = dir / "existing.wav";
    std::ofstream(out) << "keep me";
    EXPECT_NE(cli.Run({"render", preset.string(), "4", out.string()}).status, 0);
    const auto b = ReadFile(out);
    EXPECT_EQ(std::string(b.begin(), b.end()), "keep me");
}

TEST_F(CliRenderTest, helpExplainsTheCommand) {
    const CliResult r = cli.Run({"render", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--rate HZ"), std::string::npos);
    for (const char* command : {"render", "play"}) {
        const CliResult help = cli.Run({command, "--help"});
        for (const char* option :
             {"--format FORMAT", "--dither KIND", "--band-limited", "--fade MS"})
            EXPECT_NE(help.out.find(option), std::string::npos) << command << " " << option;
    }
}

namespace {

// Runs a shell command line in `dir` (pipes and redirections as a user types them); its exit
// status.
int Shell(const fs::path& dir, const std::string& line) {
    const std::string command = "cd '" + dir.string() + "' && " + line;
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Cli() {
    return std::string(QUAVRIL_BIN_DIR) + "/quavril-cli";
}

std::vector<std::string> HiddenFiles(const fs::path& dir) {
    std::vector<std::string> hidden;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().front() == '.')
            hidden.push_back(e.path().filename().string());
    return hidden;
}

} // namespace

TEST_F(CliRenderTest, optionsAndSlotsAreRefusedWithOneLineSayingWhy) {
    PresetBank bank;
    bank.Slot(1) = ToneSlot("Not a number", "abc", "1");
    PresetSlot right = ToneSlot("Right at zero", "1000", "1", false);
    right.fInitRight = "0";
    bank.Slot(2) = right;
    PresetSlot sweep = ToneSlot("Sweep to nothing", "100", "1");
    sweep.chkConstantLeft = sweep.chkConstantRight = false;
    sweep.fFinalLeft = sweep.fFinalRight = "-20";
    bank.Slot(3) = sweep;
    sweep.fFinalLeft = sweep.fFinalRight = "1000";
    sweep.Duration = "0.00002"; // 0.88 frames: one
    bank.Slot(4) = sweep;
    const fs::path checks = dir / "checks.qvl";
    ASSERT_TRUE(SavePresetFile(checks.string(), bank));
    const fs::path out = dir / "out.wav";
    const std::string p = preset.string(), c = checks.string(), o = out.string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"render", p, "1", o, "--rate", "1000"},
         "rate '1000' is not one the generator offers: 8000, 11025, 22050, 44100, 48000, 88200, "
         "96000, 176400 or 192000 Hz"},
        {{"render", p, "1", o, "--rate", "16777216"}, "rate '16777216' is not one"},
        {{"play", p, "1", "--rate", "44101"}, "rate '44101' is not one"},
        {{"play", p, "1", "--buffers", "9"},
         "buffers '9' is not one the generator offers: 2, 3 or 4"},
        {{"play", p, "1", "--buffer-size", "511"},
         "buffer-size '511' is not a whole number of "
         "bytes from 512 to 64536"},
        {{"play", p, "1", "--buffer-size", "100000"}, "buffer-size '100000'"},
        {{"play", p, "1", "--device", "plug:"},
         "cannot play on 'plug:': Sound Device Error: The device name is not one ALSA can open"},
        {{"play", p, "1", "--device", "quavril_nowhere"}, "No such output device."},
        {{"render", c, "1", o}, "slot 1: the left channel's frequency 'abc' is not a number"},
        {{"render", c, "2", o}, "slot 2: the right channel's frequency '0' Hz is not above 0 Hz"},
        {{"render", c, "3", o},
         "slot 3: the left channel's final frequency '-20' Hz is not above 0 Hz"},
        {{"render", c, "4", o},
         "slot 4: the left channel sweeps, but the duration '0.00002' s is "
         "a single frame at 44100 Hz"},
        {{"render", p, "1", o, "--format", "s32"}, "format 's32' is not s16, s24 or f32"},
        {{"play", p, "1", "--format", "S24"}, "format 'S24' is not s16, s24 or f32"},
        {{"render", p, "1", o, "--dither", "rect"}, "dither 'rect' is not none or tpdf"},
        {{"render", p, "1", o, "--fade", "1001"},
         "fade '1001' is not a whole number of milliseconds from 0 to 1000"},
        {{"play", p, "1", "--fade", "-5"}, "fade '-5' is not a whole number"},
        {{"render", p, "1", o, "--fade", "10ms"}, "fade '10ms' is not a whole number"},
        {{"render", p, "1", o, "--band-limited=yes"}, "unknown option '--band-limited=yes'"},
    };
    for (const auto& [args, part] : cases)
        ExpectFailure(args, part, out);
}

// The options reach the file, an option given twice with its last value: the rate and the
// format in its header, its size and golden first samples (the 1 kHz sine's first sample at
// 48000 Hz before rounding is 4276.95 of 32767); the classic options give the classic bytes.
TEST_F(CliRenderTest, renderOptionsChooseTheFileAndARepeatedOneCountsWithItsLastValue) {
    const struct {
        const char* Options; // words apart
        int Rate;
        size_t Header, Bytes;       // bytes per sample
        std::vector<uint8_t> First; // empty: not looked at
    } cases[] = {
        {"--rate 8000 --rate 48000 --format s24", 48000, 44, 3, {0x15, 0xB5, 0x10}},
        {"--rate 48000 --format=f32 --dither tpdf", 48000, 58, 4, {0xA9, 0xA8, 0x05, 0x3E}},
        {"--rate 48000 --format s16 --dither none --fade 0", 48000, 44, 2, {0xB5, 0x10}},
        {"--rate 48000 --format s24 --fade 10 --band-limited", 48000, 44, 3, {0, 0, 0}},
        {"--rate 48000 --rate=8000", 8000, 44, 2, {}},
        {"--rate=96000 --rate 22050", 22050, 44, 2, {}},
    };
    const fs::path plain = dir / "plain.wav";
    ASSERT_EQ(cli.Run({"render", preset.string(), "1", plain.string(), "--rate", "48000"}).status,
              0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        const fs::path out = dir / "q.wav";
        std::vector<std::string> args{"render", preset.string(), "1", out.string()};
        std::istringstream words(c.Options);
        for (std::string word; words >> word;)
            args.push_back(word);
        const CliResult r = cli.Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto b = ReadFile(out);
        ASSERT_EQ(b.size(), c.Header + static_cast<size_t>(c.Rate) / 2 * c.Bytes); // 0.5 s
        EXPECT_EQ(b[24] | (b[25] << 8) | (b[26] << 16), c.Rate);
        if (!c.First.empty()) {
            EXPECT_EQ(std::vector<uint8_t>(b.begin() + c.Header, b.begin() + c.Header + c.Bytes),
                      c.First);
        }
        if (c.Bytes == 2 && c.Rate == 48000) {
            EXPECT_EQ(b, ReadFile(plain)) << "the classic options are the classic bytes";
        }
    }
}

// A wave file's limit is in bytes: a signal that fits 16-bit is refused in 24-bit, with the
// longest that fits.
TEST_F(CliRenderTest, aSignalTooLongForItsFormatIsRefusedWithTheLimit) {
    PresetBank bank;
    bank.Slot(1) = ToneSlot("Long", "1000", "33000"); // 1,455,300,000 mono frames at 44100 Hz
    const fs::path longPreset = dir / "long24.qvl";
    ASSERT_TRUE(SavePresetFile(longPreset.string(), bank));
    const fs::path out = dir / "long.wav";
    ExpectFailure({"render", longPreset.string(), "1", out.string(), "--format", "s24"},
                  "too long for a wave file (at most 4 GB of sample data). at most 32463 s at "
                  "44100 Hz in 24-bit mono.",
                  out);
}

TEST_F(CliRenderTest, dashAndStandardStreamsCarryTheSameBytesAsFiles) {
    ASSERT_EQ(cli.Run({"render", preset.string(), "1", (dir / "file.wav").string()}).status, 0);
    const auto expected = ReadFile(dir / "file.wav");
    const std::string c = "'" + Cli() + "'";
    const std::pair<std::string, std::string> lines[] = {
        {"cat bank.qvl | " + c + " render - 1 - > dash.wav", "dash.wav"},
        {"cat bank.qvl | " + c + " render /dev/stdin 1 stdin.wav", "stdin.wav"},
        {c + " render bank.qvl 1 /dev/stdout > stdout.wav", "stdout.wav"},
        {c + " render bank.qvl 1 - | cat > piped.wav", "piped.wav"},
        {"mkfifo in.qvl && (cat bank.qvl > in.qvl &) && " + c + " render in.qvl 1 fifo.wav",
         "fifo.wav"},
    };
    for (const auto& [line, file] : lines) {
        EXPECT_EQ(Shell(dir, line), 0) << line;
        EXPECT_TRUE(ReadFile(dir / file) == expected) << line;
    }
    EXPECT_TRUE(HiddenFiles(dir).empty());
}

TEST_F(CliRenderTest, thePresetFileIsNeverTheOutput) {
    const auto original = ReadFile(preset);
    fs::create_symlink("bank.qvl", dir / "alias.qvl");
    const std::string c = "'" + Cli() + "'";
    const std::string lines[] = {
        c + " render bank.qvl 1 bank.qvl",     c + " render bank.qvl 1 alias.qvl",
        c + " render alias.qvl 1 ./bank.qvl",  c + " render bank.qvl 1 - >> bank.qvl",
        c + " render - 1 bank.qvl < bank.qvl",
    };
    for (const std::string& line : lines) {
        EXPECT_EQ(Shell(dir, line + " 2> err.txt"), 1) << line;
        const std::string err = ReadText(dir / "err.txt");
        EXPECT_NE(err.find("File Access Error, cannot write file. It is the input file: nothing "
                           "was written"),
                  std::string::npos)
            << line << ": " << err;
        EXPECT_TRUE(ReadFile(preset) == original) << line;
    }
    EXPECT_TRUE(fs::is_symlink(dir / "alias.qvl"));
    EXPECT_TRUE(HiddenFiles(dir).empty());
}

TEST_F(CliRenderTest, theErrorLineEndsWithTheSystemsReason) {
    const test::DeviceNodes devices;
    if (!devices.Made())
        GTEST_SKIP() << "making device nodes needs root";
    const std::pair<std::string, std::string> cases[] = {
        {devices.Full(), devices.Full() + ": File Access Error, cannot write file. No space left "
                                          "on device"},
        {(dir / "no" / "x.wav").string(), "x.wav: File Access Error, cannot write file. No such "
                                          "file or directory"},
        {dir.string(), "File Access Error, cannot write file. Is a directory"},
        {"", ": File Access Error, cannot write file. No such file or directory"},
    };
    for (const auto& [out, part] : cases) {
        const CliResult r = cli.Run({"render", preset.string(), "1", out});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

// The most a wave file can describe: 2,147,483,629 mono frames (36 + 2 N = 2^32 - 2 bytes)
// of silence, the cheapest signal, through the whole render loop into the null device; one
// frame more is refused.
TEST_F(CliRenderTest, aRenderJustUnderTheWaveLimitEndsCleanly) {
    PresetBank bank;
    PresetSlot silence = ToneSlot("Long silence", "1000", "48695.773900226757");
    silence.WaveFormLeft = silence.WaveFormRight = 6; // SILENCE
    bank.Slot(1) = silence;
    const fs::path longPreset = dir / "long.qvl";
    ASSERT_TRUE(SavePresetFile(longPreset.string(), bank));
    const test::DeviceNodes devices;
    if (!devices.Made())
        GTEST_SKIP() << "making device nodes needs root";
    const CliResult r = cli.Run({"render", longPreset.string(), "1", devices.Null()}, 300000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(HiddenFiles(dir).empty());
    silence.Duration = "48695.773922902494"; // 2,147,483,630 frames
    bank.Slot(1) = silence;
    ASSERT_TRUE(SavePresetFile(longPreset.string(), bank));
    const CliResult over = cli.Run({"render", longPreset.string(), "1", devices.Null()});
    EXPECT_EQ(over.status, 1);
    EXPECT_NE(over.err.find("too long for a wave file"), std::string::npos) << over.err;
}

// An export ended by a signal takes its temporary file with it and leaves the old file.
class CliRenderSignalTest : public CliRenderTest, public ::testing::WithParamInterface<int> {};

TEST_P(CliRenderSignalTest, anInterruptedRenderLeavesNoTemporaryFile) {
    PresetBank bank;
    bank.Slot(1) = ToneSlot("Long", "1000", "20000"); // 1.8 GB: interrupted long before its end
    const fs::path longPreset = dir / "long.qvl";
    ASSERT_TRUE(SavePresetFile(longPreset.string(), bank));
    const fs::path out = dir / "out.wav";
    std::ofstream(out) << "keep me";
    const pid_t pid = cli.Spawn({"render", longPreset.string(), "1", out.string()});
    ASSERT_TRUE(WaitFor([&] { return !HiddenFiles(dir).empty(); }))
        << "the render never started its temporary file";
    ::kill(pid, GetParam());
    int raw = 0;
    ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == GetParam()) << "ends as the signal does";
    EXPECT_TRUE(HiddenFiles(dir).empty());
    const auto kept = ReadFile(out);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
}

INSTANTIATE_TEST_SUITE_P(Signals, CliRenderSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(strsignal(info.param)); });

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
