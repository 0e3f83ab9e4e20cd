// quavril-cli play and devices through the real ALSA library: a file PCM (slave null) captures
// exactly the bytes that reach the device, which must be the data of quavril-cli render.
#include "files/PresetFile.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TestSlots.h"

#include <gtest/gtest.h>
#include <signal.h>

using namespace quavril;
using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

PresetSlot Signal(bool mono, const std::string& seconds) {
    PresetSlot s = ToneSlot("Signal", "1000", seconds, mono);
    s.fInitRight = "440";
    s.AmplitudeLeft = "-3";
    s.PhaseEdit = "90";
    s.ModPeriodLeftEdit = s.ModPeriodRightEdit = "0.25";
    s.ModDepthLeftEdit = s.ModDepthRightEdit = "50";
    return s;
}

// A logarithmic sweep with modulation: many buffers, every sample different.
PresetSlot Sweep(bool mono, const std::string& seconds) {
    PresetSlot s = Signal(mono, seconds);
    s.chkConstantLeft = s.chkConstantRight = false;
    s.LogarithmicLeft = s.LogarithmicRight = true;
    s.fInitLeft = "50";
    s.fFinalLeft = "5000";
    s.fInitRight = "3000";
    s.fFinalRight = "100";
    s.ModulationOnLeft = s.ModulationOnRight = true;
    s.WaveFormRight = 2; // triangular
    return s;
}

struct CliPlayTest : ::testing::Test {
    CliFixture cli;
    fs::path preset, capture;
    void SetUp() override {
        cli.SetUp("play");
        preset = cli.dir / "bank.qvl";
        capture = cli.dir / "capture.raw";
        cli.AddCaptureDevice("quavril_capture", capture, "null", "Quavril test capture");
        PresetBank bank;
        bank.Slot(1) = Signal(true, "0.05");   // shorter than one buffer
        bank.Slot(2) = Sweep(true, "1.5");     // many buffers
        bank.Slot(3) = Signal(false, "0.03");  // stereo, shorter than one buffer
        bank.Slot(4) = Sweep(false, "1.2345"); // stereo, many buffers, a partial last one
        ASSERT_TRUE(SavePresetFile(preset.string(), bank));
    }
    void TearDown() override { cli.TearDown(); }

    // The data part of the wave file that render writes for the slot.
    std::vector<uint8_t> Rendered(const std::string& slot, const std::string& rate) {
        const fs::path wav = cli.dir / ("slot" + slot + "-" + rate + ".wav");
        const CliResult r =
            cli.Run({"render", preset.string(), slot, wav.string(), "--rate", rate});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::vector<uint8_t> bytes = ReadFile(wav);
        EXPECT_GT(bytes.size(), 44u);
        return {bytes.begin() + std::min<size_t>(44, bytes.size()), bytes.end()};
    }
    std::vector<uint8_t> Played(std::vector<std::string> args) {
        fs::remove(capture);
        const CliResult r = cli.Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        return ReadFile(capture);
    }
    void ExpectSameBytes(const std::string& slot, const std::string& rate,
                         const std::vector<std::string>& extra = {}) {
        const std::vector<uint8_t> expected = Rendered(slot, rate);
        std::vector<std::string> args{"play",     preset.string(),  slot, "--rate", rate,
                                      "--device", "quavril_capture"};
        args.insert(args.end(), extra.begin(), extra.end());
        const std::vector<uint8_t> played = Played(args);
        ASSERT_EQ(played.size(), expected.size()) << "slot " << slot << " at " << rate;
        EXPECT_TRUE(played == expected) << "slot " << slot << " at " << rate;
    }
};

} // namespace

TEST_F(CliPlayTest, monoShorterThanOneBufferPlaysTheRenderedBytes) {
    ExpectSameBytes("1", "44100");
    ExpectSameBytes("1", "8000", {"--buffers", "2", "--buffer-size", "512"});
}

TEST_F(CliPlayTest, monoOfManyBuffersPlaysTheRenderedBytes) {
    ExpectSameBytes("2", "44100");
    ExpectSameBytes("2", "11025", {"--buffers", "2", "--buffer-size", "4096"});
    ExpectSameBytes("2", "22050", {"--buffers", "3", "--buffer-size", "64536"});
}

TEST_F(CliPlayTest, stereoShorterThanOneBufferPlaysTheRenderedBytes) {
    ExpectSameBytes("3", "48000");
    ExpectSameBytes("3", "96000", {"--buffers", "4", "--buffer-size", "32768"});
}

TEST_F(CliPlayTest, stereoOfManyBuffersPlaysTheRenderedBytes) {
    ExpectSameBytes("4", "44100");
    ExpectSameBytes("4", "96000", {"--buffers", "2", "--buffer-size", "4096"});
    // An odd size: buffers of whole frames (8190 -> 8188 bytes) still deliver every frame.
    ExpectSameBytes("4", "11025", {"--buffer-size", "8190"});
}

TEST_F(CliPlayTest, theHighRatesRenderAndPlayTheSameBytes) {
    for (const std::string rate : {"88200", "176400", "192000"}) {
        ExpectSameBytes("4", rate, {"--buffers", "2", "--buffer-size", "8192"});
        // The wave header carries the rate (bytes 24 to 27, little-endian).
        const std::vector<uint8_t> wav = ReadFile(cli.dir / ("slot4-" + rate + ".wav"));
        ASSERT_GT(wav.size(), 28u);
        EXPECT_EQ(wav[24] | wav[25] << 8 | wav[26] << 16 | wav[27] << 24, std::stoi(rate));
    }
}

TEST_F(CliPlayTest, aDeviceThatCannotBeOpenedFailsWithOneLine) {
    const CliResult r = cli.Run({"play", preset.string(), "1", "--device", "quavril_missing"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("quavril_missing"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Sound Device Error: No such output device."), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST_F(CliPlayTest, aDeviceWithoutItsHardwareFailsWithOneLine) {
    cli.WriteAlsaConfig("pcm.quavril_no_card {\n"
                        "    type hw\n"
                        "    card 97\n"
                        "}\n");
    const CliResult r = cli.Run({"play", preset.string(), "1", "--device", "quavril_no_card"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("Sound Device Error: "), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST_F(CliPlayTest, withoutASoundServerTheDefaultDeviceFailsAtOnce) {
    // A private, empty runtime folder: no sound server can be reached from it.
    const fs::path runtime = cli.dir / "runtime";
    fs::create_directories(runtime);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("PIPEWIRE_RUNTIME_DIR", runtime.c_str(), 1);
    const CliResult r = cli.Run({"play", preset.string(), "1"}, 10000);
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
    ::unsetenv("PIPEWIRE_RUNTIME_DIR");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.rfind("quavril-cli: cannot play on 'default': Sound Device Error: ", 0), 0u)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST_F(CliPlayTest, badArgumentsFailWithOneLine) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"play", preset.string()}, "play needs"},
        {{"play", preset.string(), "1", "--buffers", "two"}, "buffers 'two'"},
        {{"play", preset.string(), "1", "--buffer-size", "-5"}, "buffer-size '-5'"},
        {{"play", preset.string(), "1", "--rate", "0"}, "rate '0'"},
        {{"play", preset.string(), "1", "--device"}, "--device needs a value"},
        {{"play", preset.string(), "1", "--volume", "3"}, "--volume"},
        {{"play", preset.string(), "5"}, "slot '5'"},
        {{"play", (cli.dir / "none.qvl").string(), "1"}, "none.qvl"},
        {{"devices", "extra"}, "no arguments"},
    };
    for (const auto& [args, part] : cases) {
        const CliResult r = cli.Run(args);
        EXPECT_NE(r.status, 0) << args.back();
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST_F(CliPlayTest, devicesListsTheDefaultFirstThenTheConfiguredDevices) {
    const CliResult r = cli.Run({"devices"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("default\tDefault output device\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nquavril_capture\tQuavril test capture\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\nnull\t"), std::string::npos) << r.out;
}

TEST_F(CliPlayTest, helpDescribesTheOptions) {
    const CliResult r = cli.Run({"play", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option :
         {"--rate HZ", "--device NAME", "--buffers N", "--buffer-size BYTES", "--loop"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST_F(CliPlayTest, ctrlCStopsALoopingSignalAndClosesTheDevice) {
    const std::vector<uint8_t> period = Rendered("1", "8000");
    fs::remove(capture);
    const pid_t pid = cli.Spawn(
        {"play", preset.string(), "1", "--rate", "8000", "--device", "quavril_capture", "--loop"});
    ASSERT_GT(pid, 0);
    // The device is open once the capture file holds a period.
    ASSERT_TRUE(WaitFor([&] { return fs::exists(capture) && fs::file_size(capture) >= 4096; }));
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    const CliResult r = cli.Wait(pid);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    // The file PCM writes what it holds when it is closed: a whole number of frames that
    // starts with the signal's first period.
    const std::vector<uint8_t> played = ReadFile(capture);
    ASSERT_GE(played.size(), period.size());
    EXPECT_EQ(played.size() % 2, 0u);
    EXPECT_TRUE(std::equal(period.begin(), period.end(), played.begin()));
}
