// Real-time playback against a PipeWire server with a null sink (run them through
// tests/audio/with_pipewire.sh; without a server they are skipped). These are the only audio
// tests that look at the clock: the server plays in real time, and the checks are that the
// signal takes its own duration, arrives whole, and that pause and stop act within a buffer.
#include "audio/AlsaWaveOut.h"
#include "audio/TAudioOut.h"
#include "files/PresetFile.h"
#include "synth/SampleFormat.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/CliProcess.h"

#include <QElapsedTimer>
#include <alsa/asoundlib.h>
#include <chrono>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <thread>

using namespace quavril;
using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

bool PipeWireRuns() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && fs::exists(fs::path(runtime) / "pipewire-0");
}

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

PresetSlot Tone(const std::string& seconds) {
    PresetSlot s;
    s.Name = "Tone";
    s.fInitLeft = s.fInitRight = "1000";
    s.fFinalLeft = s.fFinalRight = "1000";
    s.Duration = seconds;
    s.AmplitudeLeft = s.AmplitudeRight = "-6";
    s.Mono = true;
    s.Lefttick = s.RightTick = true;
    s.PhaseEdit = "0";
    s.chkConstantLeft = s.chkConstantRight = true;
    s.ModulationOnLeft = true;
    s.ModPeriodLeftEdit = s.ModPeriodRightEdit = "0.5";
    s.ModDepthLeftEdit = s.ModDepthRightEdit = "80";
    s.ModFunctionLeft = s.ModFunctionRight = 0;
    s.ModPhaseLeftEdit = s.ModPhaseRightEdit = "0";
    return s;
}

struct PipeWireTest : ::testing::Test {
    CliFixture cli;
    fs::path capture, preset;
    void SetUp() override {
        if (!PipeWireRuns())
            GTEST_SKIP() << "no PipeWire server (run through tests/audio/with_pipewire.sh)";
        EnsureApplication();
        cli.SetUp("pipewire");
        capture = cli.dir / "capture.raw";
        preset = cli.dir / "bank.qvl";
        cli.AddCaptureDevice("quavril_pw_capture", capture, "pipewire");
        snd_config_update_free_global();
        PresetBank bank;
        bank.Slot(1) = Tone("5");
        bank.Slot(2) = Tone("0.2");
        bank.Slot(3) = Tone("3");
        ASSERT_TRUE(SavePresetFile(preset.string(), bank));
    }
    void TearDown() override {
        if (!cli.dir.empty())
            cli.TearDown();
        snd_config_update_free_global();
    }
};

// The component on the PipeWire device with an endless signal of 4 buffers of `bufferBytes`.
struct Endless {
    std::unique_ptr<TAudioOut> out;
    int stops = 0;
    std::vector<qint64> doneTimes; // ms since `clock` started, one per done notice
    QElapsedTimer clock;

    Endless(AlsaWaveOut::PauseMode mode, int32_t bufferBytes) {
        out = std::make_unique<TAudioOut>(std::make_unique<AlsaWaveOut>(mode));
        out->SetFrameRate(48000);
        out->SetNumBuffers(4);
        out->SetBufferSize(bufferBytes);
        out->OnStop = [this](QObject*) { ++stops; };
        out->OnFillBuffer = [this](uint8_t* buffer, int32_t& size) {
            if (out->FilledCount() >= 4) // a refill: the previous buffer is done
                doneTimes.push_back(clock.elapsed());
            std::fill(buffer, buffer + size, uint8_t{0});
            return true;
        };
        clock.start();
    }
    void RunFor(int ms) {
        const qint64 until = clock.elapsed() + ms;
        RunUntil([&] { return clock.elapsed() >= until; }, ms + 1000);
    }
};

void ExpectPauseAndStopWithinABuffer(AlsaWaveOut::PauseMode mode) {
    constexpr int32_t bufferBytes = 8192; // 4096 frames: 85 ms at 48 kHz
    constexpr qint64 bufferMs = 4096 * 1000 / 48000;
    Endless e(mode, bufferBytes);
    ASSERT_TRUE(e.out->Start()) << e.out->ErrorMessage();
    e.RunFor(600);
    ASSERT_GE(e.doneTimes.size(), 3u) << "the device consumes buffers";

    const qint64 pausedAt = e.clock.elapsed();
    e.out->SetPaused(true);
    e.RunFor(700);
    const size_t donesWhilePaused = std::count_if(e.doneTimes.begin(), e.doneTimes.end(),
                                                  [&](qint64 t) { return t >= pausedAt; });
    EXPECT_LE(donesWhilePaused, 1u) << "at most the buffer that was finishing";
    if (donesWhilePaused == 1) {
        EXPECT_LE(e.doneTimes.back() - pausedAt, bufferMs);
    }

    const size_t before = e.doneTimes.size();
    e.out->SetPaused(false);
    e.RunFor(600);
    EXPECT_GE(e.doneTimes.size(), before + 3) << "playing again after the pause";

    QElapsedTimer stop;
    stop.start();
    e.out->StopNow();
    EXPECT_FALSE(e.out->Playing());
    ASSERT_TRUE(RunUntil([&] { return e.stops == 1; }, 5000));
    EXPECT_LE(stop.elapsed(), bufferMs);
}

} // namespace

TEST_F(PipeWireTest, aFiveSecondSignalTakesFiveSecondsAndArrivesWhole) {
    const fs::path wav = cli.dir / "tone.wav";
    ASSERT_EQ(cli.Run({"render", preset.string(), "1", wav.string(), "--rate", "48000"}).status, 0);
    const std::vector<uint8_t> file = ReadFile(wav);
    const std::vector<uint8_t> expected(file.begin() + 44, file.end());
    ASSERT_EQ(expected.size(), 5u * 48000 * 2);

    const auto begin = std::chrono::steady_clock::now();
    const CliResult r = cli.Run(
        {"play", preset.string(), "1", "--rate", "48000", "--device", "quavril_pw_capture"});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GE(seconds, 4.95);
    EXPECT_LE(seconds, 6.0);

    // Every frame, in order; after them only the silence that lets the last frames out.
    const std::vector<uint8_t> played = ReadFile(capture);
    ASSERT_GE(played.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
    EXPECT_TRUE(std::all_of(played.begin() + static_cast<std::ptrdiff_t>(expected.size()),
                            played.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_LE(played.size() - expected.size(), 48000u * 2 / 2) << "at most half a second";
}

TEST_F(PipeWireTest, buffersLargerThanTheDeviceRingStillPlayEveryFrameInTime) {
    // 4 x 32268 frames at 8 kHz: 16 s of buffers against a ring of at most 2 s.
    const fs::path wav = cli.dir / "tone3.wav";
    ASSERT_EQ(cli.Run({"render", preset.string(), "3", wav.string(), "--rate", "8000"}).status, 0);
    const std::vector<uint8_t> file = ReadFile(wav);
    const std::vector<uint8_t> expected(file.begin() + 44, file.end());
    const auto begin = std::chrono::steady_clock::now();
    const CliResult r = cli.Run({"play", preset.string(), "3", "--rate", "8000", "--buffer-size",
                                 "64536", "--device", "quavril_pw_capture"});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GE(seconds, 2.95);
    EXPECT_LE(seconds, 4.0);
    const std::vector<uint8_t> played = ReadFile(capture);
    ASSERT_GE(played.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
}

TEST_F(PipeWireTest, pauseAndStopActWithinABuffer) {
    ExpectPauseAndStopWithinABuffer(AlsaWaveOut::PauseMode::Device);
}

TEST_F(PipeWireTest, pauseAndStopActWithinABufferWhenThePauseIsEmulated) {
    ExpectPauseAndStopWithinABuffer(AlsaWaveOut::PauseMode::Emulate);
}

// What the sink hears of a soft stop, recorded from its monitor: a 1 kHz sine at half scale
// that fades out over 100 ms without a click. A pure sine follows s[i] = 2 cos(w) s[i-1] -
// s[i-2]; a skipped or repeated frame breaks that by thousands, the fade by a few units.
TEST_F(PipeWireTest, aSoftStopIsHeardWithoutAClick) {
    if (std::system("command -v pw-record >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pw-record is not installed";
    const fs::path heard = cli.dir / "heard.wav";
    const pid_t recorder = ::fork();
    if (recorder == 0) {
        std::freopen("/dev/null", "w", stderr);
        ::execlp("pw-record", "pw-record", "--target", "null-sink", "--rate", "48000", "--channels",
                 "1", "--format", "s16", heard.c_str(), nullptr);
        ::_exit(127);
    }
    const bool recording =
        WaitFor([&] { return fs::exists(heard) && fs::file_size(heard) > 48000; }, 5000);
    Endless e(AlsaWaveOut::PauseMode::Device, 0);
    e.out->SetSamples(SampleFormat::F32);
    e.out->SetBufferSize(16384);
    int64_t next = 0;
    e.out->OnFillBuffer = [&](uint8_t* buffer, int32_t& size) {
        for (int32_t i = 0; i < size; i += 4, ++next)
            EncodeSample(buffer + i, SampleFormat::F32, 0.5 * std::sin(M_PI * next / 24.0));
        return true;
    };
    if (recording && e.out->Start()) {
        e.RunFor(400);
        e.out->StopSoftly(4800);
        EXPECT_TRUE(RunUntil([&] { return e.stops == 1; }, 3000));
        e.RunFor(300); // the recorder takes the end too
    }
    ::kill(recorder, SIGINT);
    if (!WaitFor([&] { return ::waitpid(recorder, nullptr, WNOHANG) == recorder; }, 5000)) {
        ::kill(recorder, SIGKILL);
        ::waitpid(recorder, nullptr, 0);
    }
    ASSERT_TRUE(recording && e.stops == 1);
    const std::vector<uint8_t> file = ReadFile(heard);
    const auto data = std::search(file.begin(), file.end(), "data", "data" + 4);
    std::vector<int> s;
    for (auto p = data + 8; p + 1 < file.end(); p += 2)
        s.push_back(static_cast<int16_t>(p[0] | p[1] << 8));
    const auto onset = std::find_if(s.begin(), s.end(), [](int v) { return v != 0; }) - s.begin();
    const double c = 2 * std::cos(M_PI / 24);
    for (size_t i = static_cast<size_t>(onset) + 3; i < s.size(); ++i)
        ASSERT_LT(std::abs(s[i] - (c * s[i - 1] - s[i - 2])), 200) << i - onset << " samples in";
    EXPECT_EQ(s.back(), 0) << "the sound has ended";
}

TEST_F(PipeWireTest, playbackWaitsWithoutSpinning) {
    Endless e(AlsaWaveOut::PauseMode::Device, 16384);
    const double cpu = CpuSeconds();
    ASSERT_TRUE(e.out->Start()) << e.out->ErrorMessage();
    e.RunFor(2000);
    const double used = CpuSeconds() - cpu;
    e.out->StopNow();
    EXPECT_GE(e.doneTimes.size(), 10u);
    EXPECT_LT(used, 0.2) << "CPU seconds for 2 s of sound: a spinning wait uses about 2";
}

TEST_F(PipeWireTest, ctrlCStopsAtOnceAndClosesTheDevice) {
    const pid_t pid = cli.Spawn({"play", preset.string(), "2", "--rate", "48000", "--device",
                                 "quavril_pw_capture", "--loop"});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(capture) && fs::file_size(capture) > 48000; }));
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    const CliResult r = cli.Wait(pid);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_LT(seconds, 0.5);
}

TEST_F(PipeWireTest, theDefaultDevicePlaysTheServer) {
    const CliResult r = cli.Run({"play", preset.string(), "2", "--rate", "44100"});
    EXPECT_EQ(r.status, 0) << r.err;
    const CliResult list = cli.Run({"devices"});
    EXPECT_NE(list.out.find("\npipewire\t"), std::string::npos) << list.out;
}

TEST_F(PipeWireTest, anUnderrunIsRecoveredWithoutEndingTheSignal) {
    Endless e(AlsaWaveOut::PauseMode::Device, 4096); // 4 x 21 ms queued
    int errors = 0;
    e.out->OnError = [&](QObject*) { ++errors; };
    ASSERT_TRUE(e.out->Start()) << e.out->ErrorMessage();
    e.RunFor(300);
    // The program stalls for longer than everything queued: the device runs dry.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const size_t before = e.doneTimes.size();
    e.RunFor(500);
    EXPECT_GE(e.doneTimes.size(), before + 10) << "the stream goes on";
    EXPECT_EQ(errors, 0);
    EXPECT_TRUE(e.out->Playing());
    e.out->StopNow();
}

// A sound server that ends while playing: its own private server (so that the others stay),
// taken away by process id. The playback ends with the device's error text, promptly.
TEST(PipeWireGone, aServerThatEndsWhilePlayingEndsThePlaybackWithItsText) {
    if (std::system("command -v pipewire >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "PipeWire is not installed";
    CliFixture cli;
    cli.SetUp("pipewire-gone");
    const fs::path capture = cli.dir / "capture.raw", preset = cli.dir / "bank.qvl";
    cli.AddCaptureDevice("quavril_pw_capture", capture, "pipewire");
    PresetBank bank;
    bank.Slot(1) = Tone("1");
    ASSERT_TRUE(SavePresetFile(preset.string(), bank));
    const fs::path pids = cli.dir / "pids", status = cli.dir / "status", err = cli.dir / "err";
    const fs::path script = cli.dir / "gone.sh";
    std::ofstream(script) << "'" << QUAVRIL_BIN_DIR << "/quavril-cli' play '" << preset.string()
                          << "' 1 --rate 48000 --device quavril_pw_capture --loop 2>'"
                          << err.string() << "' &\n"
                          << "p=$!\n"
                          << "i=0\n"
                          << "while [ ! -s '" << capture.string()
                          << "' ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i + 1)); done\n"
                          << "sleep 0.3\n"
                          << "kill $(cat '" << pids.string() << "')\n"
                          << "wait $p\n"
                          << "echo $? >'" << status.string() << "'\n";
    const std::string command = "QUAVRIL_PIPEWIRE_PIDFILE='" + pids.string() + "' '" +
                                std::string(QUAVRIL_TEST_SOURCE_DIR) + "/with_pipewire.sh' sh '" +
                                script.string() + "' >/dev/null 2>&1";
    std::system(command.c_str());
    EXPECT_EQ(ReadText(status), "1\n");
    const std::string text = ReadText(err);
    EXPECT_NE(text.find("quavril-cli: quavril_pw_capture: The output device stopped responding"),
              std::string::npos)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    cli.TearDown();
}
