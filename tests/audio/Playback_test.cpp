// Switching the generator on through the shared playback start, on the virtual device.
#include "audio/Playback.h"
#include "audio/PlaybackHost.h"
#include "audio/VirtualWaveOut.h"
#include "synth/Messages.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/GeneratorTestAccess.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace quavril;
using quavril::test::DeliverNotices;

namespace {

// The bytes the wave export renders for the same settings: the reference every played frame
// is compared with.
std::vector<uint8_t> ExportBytes(const Generator& settingsFrom) {
    Generator g;
    g.SetSampleRate(settingsFrom.SampleRate());
    g.SetIndex(IndexField::cboChannels, settingsFrom.Index(IndexField::cboChannels));
    g.ChannelsChange();
    g.SetText(TextField::Duration, settingsFrom.Text(TextField::Duration));
    g.SetText(TextField::fInitLeft, settingsFrom.Text(TextField::fInitLeft));
    g.SetText(TextField::fInitRight, settingsFrom.Text(TextField::fInitRight));
    EXPECT_TRUE(g.ResetGenerator(true));
    const int32_t frames = g.State().TotalSamples;
    std::vector<int16_t> samples(static_cast<size_t>(frames * g.ChannelCount()));
    g.RenderFrames(samples.data(), frames);
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

struct PlaybackTest : ::testing::Test {
    VirtualWaveOut* device = nullptr;
    std::unique_ptr<TAudioOut> out;
    Generator generator;
    std::unique_ptr<Playback> playback;
    std::unique_ptr<PlaybackHost> host;
    int stops = 0;

    void SetUp() override {
        test::EnsureApplication();
        auto port = std::make_unique<VirtualWaveOut>();
        device = port.get();
        out = std::make_unique<TAudioOut>(std::move(port));
        playback = std::make_unique<Playback>(generator, *out);
        host = std::make_unique<PlaybackHost>(*playback);
        generator.SetHost(host.get());
        out->OnStop = [this](QObject*) { ++stops; };
        generator.SetSampleRate(8000);
        generator.SetText(TextField::fInitLeft, "1000");
        generator.SetText(TextField::fInitRight, "250");
    }
    void TearDown() override {
        generator.SetHost(nullptr);
        out.reset();
        DeliverNotices();
    }
    void SetStereo(bool stereo) {
        generator.SetIndex(IndexField::cboChannels, stereo ? STEREO : MONO);
        generator.ChannelsChange();
    }
};

} // namespace

TEST(PlaybackMessages, aStartFailureNamesTheShortSignalOrTheDeviceError) {
    EXPECT_EQ(Playback::StartFailureMessage("There must be at least one filled buffer"),
              "For very short signals please decrease the buffer number and size in the "
              "'Compatibility settings' in the 'Options' menu");
    EXPECT_EQ(Playback::StartFailureMessage("No such output device."),
              "Sound Device Error: \rNo such output device.");
    EXPECT_EQ(Playback::StartFailureMessage("There must be at least one filled buffer."),
              "Sound Device Error: \rThere must be at least one filled buffer.");
}

TEST_F(PlaybackTest, startConfiguresTheOutputFromTheGeneratorAndTheSettings) {
    SetStereo(true);
    generator.SetSampleRate(48000);
    const auto r = playback->StartPlayback(3, 8190);
    ASSERT_EQ(r.Result, Playback::Outcome::Started) << r.Message;
    EXPECT_TRUE(r.Message.empty());
    EXPECT_TRUE(out->Stereo());
    EXPECT_EQ(out->FrameRate(), 48000);
    EXPECT_EQ(out->NumBuffers(), 3);
    EXPECT_EQ(out->BufferSize(), 8188); // BufferSize came last, with the stereo format
    EXPECT_EQ(device->Log().front(), "open default 2ch 48000Hz 16bit");
    EXPECT_EQ(device->Log()[4], "write 0 8188");
    EXPECT_TRUE(playback->OutputPlaying());
    EXPECT_TRUE(host->OutputPlaying());
}

TEST_F(PlaybackTest, startWhilePlayingDoesNothing) {
    ASSERT_EQ(playback->StartPlayback(4, 4096).Result, Playback::Outcome::Started);
    const auto log = device->Log();
    const int32_t counter = generator.State().SampleCounter;
    const auto r = playback->StartPlayback(2, 512);
    EXPECT_EQ(r.Result, Playback::Outcome::AlreadyPlaying);
    EXPECT_TRUE(r.Message.empty());
    EXPECT_EQ(device->Log(), log);
    EXPECT_EQ(generator.State().SampleCounter, counter);
    EXPECT_EQ(out->NumBuffers(), 4);
}

TEST_F(PlaybackTest, startResetsTheGeneratorAndAcknowledgesTheRenderer) {
    test::MutableState(generator).SampleCounter = 123456;
    test::MutableState(generator).RenderAcknowledged =
        false; // a fill would trip the watchdog without reset
    const auto r = playback->StartPlayback(2, 1024);
    ASSERT_EQ(r.Result, Playback::Outcome::Started) << r.Message;
    EXPECT_EQ(generator.State().SampleCounter, 2 * 512); // two mono buffers from frame 0
    EXPECT_EQ(device->Log().size(), 5u);                 // open, two prepares, two writes: no stop
}

namespace {
struct ShortPeriodCase {
    const char* Duration; // at 8000 Hz
    bool Starts;
};
class ShortPeriodStart : public PlaybackTest,
                         public ::testing::WithParamInterface<ShortPeriodCase> {};
} // namespace

// A looping pulse over a period of no frame would be a constant full-scale level: such a period
// is never started, and the start says why; one frame is a period.
TEST_P(ShortPeriodStart, aPeriodUnderOneFrameIsNeverStarted) {
    generator.SetText(TextField::Duration, "1");
    generator.SetFlag(FlagField::Loop, true);
    generator.SetIndex(IndexField::WaveFormLeft, PULSEPOS);
    generator.WaveFormChange(Channel::Left);
    generator.SetText(TextField::Duration, GetParam().Duration);
    const auto r = playback->StartPlayback(2, 1024);
    if (GetParam().Starts) {
        ASSERT_EQ(r.Result, Playback::Outcome::Started) << r.Message;
        EXPECT_EQ(generator.State().TotalSamples, 1);
        return;
    }
    EXPECT_EQ(r.Result, Playback::Outcome::Failed);
    EXPECT_EQ(r.Message, "The duration is shorter than one sample: the signal cannot be played.");
    EXPECT_FALSE(playback->OutputPlaying());
    EXPECT_TRUE(device->Log().empty()) << "nothing was opened";
}

INSTANTIATE_TEST_SUITE_P(Durations, ShortPeriodStart,
                         ::testing::Values(ShortPeriodCase{"0", false},
                                           ShortPeriodCase{"-1", false},
                                           ShortPeriodCase{"0.00006", false}, // 0.48 frame
                                           ShortPeriodCase{"0.000125", true}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(PlaybackTest, aDeviceFailureGivesTheSoundDeviceMessage) {
    device->FailOpen(VirtualWaveOut::VirtualFailure);
    const auto r = playback->StartPlayback(4, 16384);
    EXPECT_EQ(r.Result, Playback::Outcome::Failed);
    EXPECT_EQ(r.Message, "Sound Device Error: \rThe virtual device failed.");
}

TEST_F(PlaybackTest, theHostStopsTheOutputWhenTheRenderWatchdogTrips) {
    std::string reported;
    host->OnPerformanceIssue = [&](const char* m) { reported = m; };
    ASSERT_EQ(playback->StartPlayback(4, 1024).Result, Playback::Outcome::Started);
    DeliverNotices();
    test::MutableState(generator).RenderAcknowledged = false; // the acknowledgement never came
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices();
    EXPECT_EQ(reported, messages::Performance);
    EXPECT_FALSE(playback->OutputPlaying());
    EXPECT_FALSE(out->DeviceOpen());
    DeliverNotices();
    EXPECT_EQ(stops, 1);
    playback->StopOutputNow(); // harmless when stopped
    EXPECT_EQ(stops, 1);
}

// Every frame of a signal that does not loop is played, however its end falls against the
// buffers, and nothing after it.
struct WholeSignal {
    bool stereo;
    int32_t frames; // frames of the signal at 8000 Hz
    int32_t buffers;
    int32_t bufferBytes;
};

class PlaybackWholeSignalTest : public PlaybackTest,
                                public ::testing::WithParamInterface<WholeSignal> {};

TEST_P(PlaybackWholeSignalTest, playsEveryFrameOfTheSignalThenCloses) {
    const WholeSignal p = GetParam();
    SetStereo(p.stereo);
    generator.SetText(TextField::Duration, std::to_string(p.frames / 8000.0));
    const std::vector<uint8_t> expected = ExportBytes(generator);
    ASSERT_EQ(expected.size(), static_cast<size_t>(p.frames * (p.stereo ? 4 : 2)));

    device->SetAutoPlay(true);
    const auto r = playback->StartPlayback(p.buffers, p.bufferBytes);
    ASSERT_EQ(r.Result, Playback::Outcome::Started) << r.Message;
    ASSERT_TRUE(test::RunUntil([&] { return stops == 1; }));
    EXPECT_FALSE(playback->OutputPlaying());
    EXPECT_EQ(device->Played(), expected);
    // Full buffers, then the one that holds the last frames, shortened to them.
    const auto& lengths = device->PlayedLengths();
    const int32_t full = p.bufferBytes;
    for (size_t i = 0; i + 1 < lengths.size(); ++i)
        EXPECT_EQ(lengths[i], full) << "buffer " << i;
    const int32_t bytes = static_cast<int32_t>(expected.size());
    EXPECT_EQ(lengths.back(), bytes % full == 0 ? full : bytes % full);
}

INSTANTIATE_TEST_SUITE_P(
    BufferEdges, PlaybackWholeSignalTest,
    ::testing::Values(WholeSignal{false, 100, 4, 1024}, WholeSignal{false, 511, 4, 1024},
                      WholeSignal{false, 512, 4, 1024}, WholeSignal{false, 513, 4, 1024},
                      WholeSignal{false, 2047, 4, 1024}, WholeSignal{false, 2048, 4, 1024},
                      WholeSignal{false, 2049, 4, 1024}, WholeSignal{false, 5000, 2, 1024},
                      WholeSignal{false, 8000, 3, 4096}, WholeSignal{true, 255, 4, 1024},
                      WholeSignal{true, 256, 4, 1024}, WholeSignal{true, 257, 2, 1024},
                      WholeSignal{true, 3000, 4, 1024}, WholeSignal{true, 8000, 2, 16384}));
