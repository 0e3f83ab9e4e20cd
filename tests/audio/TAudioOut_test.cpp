// The output component's protocol, driven step by step through the virtual device.
#include "audio/TAudioOut.h"
#include "audio/VirtualWaveOut.h"
#include "synth/Fade.h"
#include "synth/SampleFormat.h"
#include "tests/audio/AudioTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace quavril;
using quavril::test::DeliverNotices;

namespace {

struct TAudioOutTest : ::testing::Test {
    VirtualWaveOut* device = nullptr;
    std::unique_ptr<TAudioOut> out;
    std::vector<std::string> events; // OnStart / OnStop / OnError in order
    std::vector<QObject*> senders;
    int fills = 0;

    void SetUp() override {
        test::EnsureApplication();
        auto port = std::make_unique<VirtualWaveOut>();
        device = port.get();
        out = std::make_unique<TAudioOut>(std::move(port));
        out->OnStart = [this](QObject* s) { Record("start", s); };
        out->OnStop = [this](QObject* s) { Record("stop", s); };
        out->OnError = [this](QObject* s) { Record("error", s); };
    }
    void TearDown() override {
        out.reset();
        DeliverNotices();
    }
    void Record(const char* what, QObject* sender) {
        events.emplace_back(what);
        senders.push_back(sender);
    }
    // A handler that numbers every byte with the fill count and answers `results` in turn
    // (true once they run out); the size it returns is `sizes` in turn (capacity when unset).
    void Handler(std::vector<bool> results, std::vector<int32_t> sizes = {}) {
        out->OnFillBuffer = [this, results, sizes](uint8_t* buffer, int32_t& size) {
            const size_t call = static_cast<size_t>(fills++);
            for (int32_t i = 0; i < size; ++i)
                buffer[i] = static_cast<uint8_t>(call + 1);
            if (call < sizes.size())
                size = sizes[call];
            return call < results.size() ? static_cast<bool>(results[call]) : true;
        };
    }
    std::vector<std::string> Writes() const {
        std::vector<std::string> w;
        for (const auto& e : device->Log())
            if (e.rfind("write", 0) == 0)
                w.push_back(e);
        return w;
    }
};

} // namespace

TEST_F(TAudioOutTest, constructionSetsTheDocumentedDefaults) {
    EXPECT_EQ(out->BufferSize(), 8192);
    EXPECT_EQ(out->RequestedBufferSize(), 8192);
    EXPECT_EQ(out->NumBuffers(), 4);
    EXPECT_EQ(out->FrameRate(), 22050);
    EXPECT_FALSE(out->Stereo());
    EXPECT_EQ(out->Quantization(), 16);
    EXPECT_EQ(out->WaveDevice(), -1);
    EXPECT_FALSE(out->Paused());
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_TRUE(out->ErrorMessage().empty());
    EXPECT_EQ(out->Format().FormatTag, 1);
    EXPECT_EQ(out->Format().BlockAlign, 2);
    EXPECT_EQ(out->Format().AvgBytesPerSec, 44100u);
    EXPECT_EQ(out->Format().ExtraSize, 0);
}

TEST_F(TAudioOutTest, assignmentsAreClampedAsDocumented) {
    out->SetBufferSize(100);
    EXPECT_EQ(out->RequestedBufferSize(), 512);
    EXPECT_EQ(out->BufferSize(), 512);
    out->SetBufferSize(511);
    EXPECT_EQ(out->RequestedBufferSize(), 512);
    out->SetBufferSize(513);
    EXPECT_EQ(out->RequestedBufferSize(), 513);
    EXPECT_EQ(out->BufferSize(), 512); // whole 2-byte frames

    out->SetNumBuffers(7);
    EXPECT_EQ(out->NumBuffers(), 4);
    out->SetNumBuffers(1);
    EXPECT_EQ(out->NumBuffers(), 2);
    out->SetNumBuffers(3);
    EXPECT_EQ(out->NumBuffers(), 3);

    out->SetQuantization(12);
    EXPECT_EQ(out->Quantization(), 16);
    out->SetQuantization(0);
    EXPECT_EQ(out->Quantization(), 8);
    out->SetQuantization(8);
    EXPECT_EQ(out->Quantization(), 8);
    out->SetQuantization(9);
    EXPECT_EQ(out->Quantization(), 16);
    out->SetQuantization(7);
    EXPECT_EQ(out->Quantization(), 8);
}

TEST_F(TAudioOutTest, effectiveSizeHoldsWholeFrames) {
    out->SetStereo(true);
    out->SetBufferSize(8190);
    EXPECT_EQ(out->BufferSize(), 8188);
    EXPECT_EQ(out->RequestedBufferSize(), 8190);
    EXPECT_TRUE(out->Stereo());
    EXPECT_EQ(out->Format().BlockAlign, 4);
    out->SetStereo(false);
    EXPECT_EQ(out->BufferSize(), 8190);
    out->SetStereo(true);
    out->SetBufferSize(8191);
    EXPECT_EQ(out->BufferSize(), 8188);
    out->SetBufferSize(8192);
    EXPECT_EQ(out->BufferSize(), 8192);
    out->SetQuantization(8);
    EXPECT_EQ(out->Format().BlockAlign, 2);
    EXPECT_EQ(out->BufferSize(), 8192);
    out->SetFrameRate(48000);
    EXPECT_EQ(out->Format().AvgBytesPerSec, 96000u);
}

TEST_F(TAudioOutTest, startFillsEverySlotThenQueuesThemInOrder) {
    Handler({});
    out->SetStereo(true);
    out->SetFrameRate(48000);
    out->SetNumBuffers(3);
    out->SetBufferSize(4096);
    ASSERT_TRUE(out->Start());
    const std::vector<std::string> expected{"open default 2ch 48000Hz 16bit",
                                            "prepare 0",
                                            "prepare 1",
                                            "prepare 2",
                                            "write 0 4096",
                                            "write 1 4096",
                                            "write 2 4096"};
    EXPECT_EQ(device->Log(), expected);
    EXPECT_EQ(fills, 3);
    EXPECT_EQ(out->FilledCount(), 3);
    EXPECT_EQ(out->QueuedCount(), 3);
    EXPECT_EQ(out->DoneCount(), 0);
    EXPECT_EQ(out->NextBuffer(), 0);
    EXPECT_TRUE(out->Playing());
    EXPECT_TRUE(out->DeviceOpen());
    EXPECT_TRUE(out->Active());
    EXPECT_EQ(device->OpenedPlan().BufferBytes, 4096);
    EXPECT_EQ(device->OpenedPlan().BufferCount, 3);
    EXPECT_EQ(device->OpenedFormat().BlockAlign, 4);
}

TEST_F(TAudioOutTest, onStartRunsFromTheEventLoopAfterStartReturned) {
    Handler({});
    ASSERT_TRUE(out->Start());
    EXPECT_TRUE(events.empty());
    DeliverNotices();
    ASSERT_EQ(events, std::vector<std::string>{"start"});
    ASSERT_NE(senders[0], nullptr);
    EXPECT_NE(senders[0], out.get()); // the connection's relay object
}

TEST_F(TAudioOutTest, eachDoneNoticeRefillsAndRequeuesTheReturnedSlot) {
    Handler({});
    out->SetBufferSize(1024);
    ASSERT_TRUE(out->Start());
    DeliverNotices();
    device->ClearLog();
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(device->CompleteNext());
        DeliverNotices();
    }
    const std::vector<std::string> expected{"write 0 1024", "write 1 1024", "write 2 1024",
                                            "write 3 1024", "write 0 1024", "write 1 1024"};
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(out->DoneCount(), 6);
    EXPECT_EQ(out->FilledCount(), 10);
    EXPECT_EQ(out->QueuedCount(), 4);
    EXPECT_EQ(out->NextBuffer(), 2);
    // The device played the fills in the order they were made.
    const auto& played = device->Played();
    ASSERT_EQ(played.size(), 6u * 1024);
    for (size_t b = 0; b < 6; ++b)
        EXPECT_EQ(played[b * 1024], b + 1) << "buffer " << b;
}

TEST_F(TAudioOutTest, aReducedSizePlaysOnlyThoseBytes) {
    Handler({true, true}, {100, 2});
    out->SetNumBuffers(2);
    out->SetBufferSize(1024);
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(Writes(), (std::vector<std::string>{"write 0 100", "write 1 2"}));
    device->CompleteAll();
    EXPECT_EQ(device->PlayedLengths(), (std::vector<int32_t>{100, 2}));
    EXPECT_EQ(device->Played().size(), 102u);
}

TEST_F(TAudioOutTest, aSizeBeyondTheBufferOrInsideAFrameIsCutToWholeFrames) {
    Handler({true, true}, {5000, 7});
    out->SetStereo(true);
    out->SetNumBuffers(2);
    out->SetBufferSize(1024);
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(Writes(), (std::vector<std::string>{"write 0 1024", "write 1 4"}));
}

TEST_F(TAudioOutTest, aRefillReturningFalseIsNeverQueuedAndTheQueueDrains) {
    Handler({true, true, true, true, false, false, false, false});
    out->SetBufferSize(1024);
    ASSERT_TRUE(out->Start());
    DeliverNotices();
    device->ClearLog();
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices();
    EXPECT_TRUE(Writes().empty()); // the buffer holds the fill's bytes but is not played
    EXPECT_TRUE(out->Playing());   // draining
    EXPECT_TRUE(out->Active());
    EXPECT_EQ(out->QueuedCount(), 3);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(device->CompleteNext());
        DeliverNotices();
        EXPECT_TRUE(out->Playing());
    }
    EXPECT_TRUE(events == std::vector<std::string>{"start"});
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices(); // the last counted buffer: the device closes
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(out->Active());
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(fills, 8); // every done notice asked the handler while active
    DeliverNotices();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
    EXPECT_EQ(senders[0], senders[1]);
    EXPECT_EQ(device->Played().size(), 4u * 1024);
}

TEST_F(TAudioOutTest, prefillQueuesSlotsWhoseFillFailedWithTheSizeTheyWereLeft) {
    Handler({true, false, false, false}, {600, 0, 1024, 1024});
    out->SetBufferSize(1024);
    ASSERT_TRUE(out->Start());
    const std::vector<std::string> expected{"write 0 600", "write 1 0", "write 2 1024",
                                            "write 3 1024"};
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(out->FilledCount(), 1);
    EXPECT_EQ(out->QueuedCount(), 1);
    DeliverNotices();
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices(); // the only counted buffer came back: closed although three remain
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(device->IsOpen()); // the connection is really over
    EXPECT_EQ(out->DoneCount(), 1);
    DeliverNotices(); // the handed-back uncounted buffers arrive late and change nothing
    EXPECT_EQ(out->DoneCount(), 1);
    EXPECT_FALSE(out->Playing());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(TAudioOutTest, startWithoutHandlerFailsAndStillRaisesStartAndStop) {
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), "There must be at least one filled buffer");
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(device->IsOpen());
    EXPECT_TRUE(Writes().empty());
    DeliverNotices();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(TAudioOutTest, startWhoseFirstFillFailsGivesTheShortSignalError) {
    Handler({false, true, true, true});
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), "There must be at least one filled buffer");
    EXPECT_EQ(fills, 1); // nothing after the failed first fill
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(out->DeviceOpen());
}

TEST_F(TAudioOutTest, startWhileOpenFailsAndLeavesThePlaybackAlone) {
    Handler({});
    ASSERT_TRUE(out->Start());
    const auto log = device->Log();
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), "Wave output device is already open");
    EXPECT_EQ(device->Log(), log);
    EXPECT_TRUE(out->Playing());
    EXPECT_EQ(out->FilledCount(), 4);
    EXPECT_EQ(fills, 4);
}

TEST_F(TAudioOutTest, pausedBeforeStartPausesTheDeviceBeforeAnythingIsQueued) {
    Handler({});
    out->SetPaused(true);
    EXPECT_TRUE(device->Log().empty()); // not playing: only stored
    ASSERT_TRUE(out->Start());
    const auto& log = device->Log();
    const auto pause = std::find(log.begin(), log.end(), "pause");
    const auto write = std::find(log.begin(), log.end(), "write 0 8192");
    ASSERT_NE(pause, log.end());
    EXPECT_LT(pause, write);
    EXPECT_TRUE(out->Paused());
    EXPECT_FALSE(device->CompleteNext()); // silent while paused
    out->SetPaused(false);
    EXPECT_EQ(device->Log().back(), "restart");
    EXPECT_TRUE(device->CompleteNext());
}

TEST_F(TAudioOutTest, pauseWhilePlayingHoldsAndResumesTheDevice) {
    Handler({});
    ASSERT_TRUE(out->Start());
    out->SetPaused(true);
    EXPECT_EQ(device->Log().back(), "pause");
    EXPECT_TRUE(device->IsPaused());
    out->SetPaused(false);
    EXPECT_EQ(device->Log().back(), "restart");
    EXPECT_FALSE(device->IsPaused());
}

TEST_F(TAudioOutTest, pausedReadsFalseAfterANaturalEndAndAfterStopNow) {
    Handler({true, false});
    out->SetNumBuffers(2);
    out->SetBufferSize(512);
    ASSERT_TRUE(out->Start());
    out->SetPaused(true);
    out->SetPaused(false);
    out->SetPaused(true);
    EXPECT_TRUE(out->Paused());
    out->SetPaused(false);
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices();
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(out->Paused());

    Handler({});
    ASSERT_TRUE(out->Start());
    out->SetPaused(true);
    out->StopNow();
    EXPECT_FALSE(out->Paused());
}

TEST_F(TAudioOutTest, stopNowWhileIdleDoesNothing) {
    out->StopNow();
    out->StopAfterQueue();
    EXPECT_TRUE(device->Log().empty());
    DeliverNotices();
    EXPECT_TRUE(events.empty());
}

TEST_F(TAudioOutTest, stopNowWhileDrainingKeepsPlayingFalseDespiteLateNotices) {
    Handler({true, true, true, true, false});
    out->SetBufferSize(1024);
    ASSERT_TRUE(out->Start());
    DeliverNotices();
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices(); // draining: three buffers queued
    ASSERT_TRUE(out->Playing());
    device->ClearLog();
    const int fillsBefore = fills;

    out->StopNow();
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->Active());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_EQ(device->Log(), (std::vector<std::string>{"reset", "unprepare 0", "unprepare 1",
                                                       "unprepare 2", "unprepare 3", "close"}));
    // The reset handed three buffers back; their notices come now, after the close.
    DeliverNotices();
    EXPECT_FALSE(out->Playing());
    EXPECT_EQ(out->DoneCount(), 1);
    EXPECT_EQ(fills, fillsBefore);
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(TAudioOutTest, stopNowWhileRunningDiscardsTheQueue) {
    Handler({});
    ASSERT_TRUE(out->Start());
    out->StopNow();
    EXPECT_FALSE(out->Playing());
    EXPECT_TRUE(device->Played().empty());
    DeliverNotices();
    EXPECT_FALSE(out->Playing());
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(TAudioOutTest, lateNoticesOfAnOldConnectionDoNotCountAgainstANewOne) {
    Handler({});
    out->SetBufferSize(1024);
    ASSERT_TRUE(out->Start());
    out->StopNow(); // four handed-back notices and a closed notice are on their way
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(out->FilledCount(), 4);
    DeliverNotices();
    EXPECT_TRUE(out->Playing());
    EXPECT_EQ(out->DoneCount(), 0);
    EXPECT_EQ(out->QueuedCount(), 4);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop", "start"}));
    EXPECT_EQ(senders[0], senders[1]);
    EXPECT_NE(senders[1], senders[2]);
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices();
    EXPECT_EQ(out->DoneCount(), 1);
    EXPECT_EQ(out->QueuedCount(), 4);
}

TEST_F(TAudioOutTest, aDeviceThatCannotBeOpenedLeavesTheComponentIdle) {
    Handler({});
    device->FailOpen(VirtualWaveOut::VirtualFailure);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), "The virtual device failed.");
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_EQ(fills, 0);
    DeliverNotices();
    EXPECT_TRUE(events.empty()); // never opened: no start and no stop
}

TEST_F(TAudioOutTest, aHeaderThatCannotBePreparedClosesTheDeviceAgain) {
    Handler({});
    device->FailPrepareCall(3, VirtualWaveOut::VirtualFailure);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), "The virtual device failed.");
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(fills, 0);
    DeliverNotices();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(TAudioOutTest, aFirstWriteThatFailsEndsTheStart) {
    Handler({});
    device->FailWriteCall(1, WaveErrBadBuffer);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), WaveOutResultText(WaveErrBadBuffer));
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(TAudioOutTest, aLaterWriteThatFailsLetsTheQueueDrainThenCloses) {
    Handler({});
    out->SetBufferSize(1024);
    device->FailWriteCall(5, VirtualWaveOut::VirtualFailure); // the first refill
    ASSERT_TRUE(out->Start());
    DeliverNotices();
    ASSERT_TRUE(device->CompleteNext());
    DeliverNotices();
    EXPECT_EQ(out->ErrorMessage(), "The virtual device failed.");
    EXPECT_FALSE(out->Active());
    EXPECT_TRUE(out->Playing());
    EXPECT_EQ(out->QueuedCount(), 3); // the unqueued buffer does not hold the playback open
    EXPECT_EQ(device->CompleteAll(), 3);
    DeliverNotices();
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    DeliverNotices();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(TAudioOutTest, aDeviceThatFailsWhilePlayingStopsWithItsErrorText) {
    Handler({});
    ASSERT_TRUE(out->Start());
    DeliverNotices();
    device->Break(VirtualWaveOut::VirtualFailure);
    DeliverNotices();
    EXPECT_EQ(out->ErrorMessage(), "The virtual device failed.");
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(device->IsOpen());
    DeliverNotices();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "error", "stop"}));
    // The component is usable again.
    ASSERT_TRUE(out->Start());
    EXPECT_TRUE(out->Playing());
}

TEST_F(TAudioOutTest, waveDeviceSelectsTheDefaultOrANamedDevice) {
    Handler({});
    out->SetDeviceNames({"hw:CARD=One,DEV=0", "plughw:CARD=Two,DEV=3"});
    EXPECT_EQ(out->DeviceName(), "default");
    out->SetWaveDevice(1);
    EXPECT_EQ(out->DeviceName(), "plughw:CARD=Two,DEV=3");
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(device->OpenedDevice(), "plughw:CARD=Two,DEV=3");
    out->StopNow();

    out->SetWaveDevice(2);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), WaveOutResultText(WaveErrNoDevice));
    device->SetMissingDevice("hw:CARD=One,DEV=0");
    out->SetWaveDevice(0);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), WaveOutResultText(WaveErrNoDevice));
}

TEST_F(TAudioOutTest, theHandlerGetsTheEffectiveSizeOfTheBlocks) {
    std::vector<int32_t> capacities;
    out->OnFillBuffer = [&](uint8_t* buffer, int32_t& size) {
        capacities.push_back(size);
        buffer[size - 1] = 0; // the whole block is writable
        return true;
    };
    out->SetStereo(true);
    out->SetNumBuffers(2);
    out->SetBufferSize(6001);
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(capacities, (std::vector<int32_t>{6000, 6000}));
    out->StopNow();
    // NumBuffers raised after BufferSize: the start still finds a block for every slot.
    out->SetNumBuffers(4);
    ASSERT_TRUE(out->Start());
    EXPECT_EQ(capacities.size(), 6u);
    EXPECT_EQ(capacities.back(), 6000);
}

// --- Sample formats and soft stops ----------------------------------------------------------

namespace {

enum Refusal { R24 = 1, R32 = 2, RFloat = 4, RRate = 8 };

// An output on a virtual device that refuses what `refused` names; stereo, 192000 Hz.
std::unique_ptr<TAudioOut> Output(SampleFormat samples, int refused, VirtualWaveOut*& device) {
    auto port = std::make_unique<VirtualWaveOut>();
    device = port.get();
    if (refused & R24)
        device->RefuseSamples(WaveFormat::Pcm, 24);
    if (refused & R32)
        device->RefuseSamples(WaveFormat::Pcm, 32);
    if (refused & RFloat)
        device->RefuseSamples(WaveFormat::IeeeFloat, 32);
    if (refused & RRate)
        device->RefuseRate(192000);
    auto out = std::make_unique<TAudioOut>(std::move(port));
    out->SetStereo(true);
    out->SetFrameRate(192000);
    out->SetSamples(samples);
    return out;
}

// Sample `c` of stream frame `f`, a fraction of full scale.
double StreamSample(int64_t f, int c) {
    return (c == 0 ? 0.9 : -0.7) * std::sin(0.01 * static_cast<double>(f) + c);
}

} // namespace

// The device is opened with the fill's samples, 24-bit ones in 32-bit words (each frame
// widened: 16380 bytes of the fill, 2730 stereo frames, become 21840) where it takes only
// those; a refusal names the rate or the format.
TEST_F(TAudioOutTest, theDeviceGetsTheFillsSamplesOrSaysWhichItRefuses) {
    const std::string no = "The output device does not take ";
    const std::tuple<SampleFormat, int, int32_t, std::string> cases[] = {
        {SampleFormat::S16, RFloat, 16384, ""},
        {SampleFormat::S24, 0, 16380, ""},
        {SampleFormat::S24, R24, 21840, ""},
        {SampleFormat::S24, R24 | R32, 0, no + "24-bit samples."},
        {SampleFormat::F32, R24, 16384, ""},
        {SampleFormat::F32, RFloat, 0, no + "32-bit float samples."},
        {SampleFormat::S16, RRate, 0, "The output device cannot play at 192000 Hz."}};
    for (const auto& [samples, refused, deviceBytes, error] : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(samples) << " refused " << refused);
        VirtualWaveOut* d = nullptr;
        auto o = Output(samples, refused, d);
        o->OnFillBuffer = [](uint8_t*, int32_t&) { return true; };
        o->SetBufferSize(16384);
        EXPECT_EQ(o->Start(), error.empty());
        EXPECT_EQ(o->ErrorMessage(), error);
        if (error.empty()) {
            EXPECT_EQ(d->Log().back(), "write 3 " + std::to_string(deviceBytes));
        }
    }
}

// A soft stop keeps what was heard, plays the next frames once more along the raised cosine
// (those queued, then those rendered ahead while the signal goes on) and nothing after them;
// 100 frames of the first buffer were heard.
TEST_F(TAudioOutTest, aSoftStopFadesOutTheUnheardFramesInEveryFormat) {
    struct Case {
        SampleFormat samples;
        int refused;
        int32_t bufferFrames; // two buffers queued
        int64_t fadeFrames;
        int signalFills;    // fills of signal before its end (0: it goes on)
        int64_t tailFrames; // frames of the fade-out
    };
    const Case cases[] = {
        {SampleFormat::S16, 0, 1024, 300, 0, 300},  // the queue holds the fade
        {SampleFormat::S24, 0, 256, 1000, 0, 1000}, // rendered ahead of the queue
        {SampleFormat::S24, R24, 256, 300, 0, 300}, // in 32-bit words
        {SampleFormat::F32, 0, 256, 1000, 3, 668},  // the signal's end: 412 + 256 frames
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fadeFrames);
        VirtualWaveOut* d = nullptr;
        auto o = Output(c.samples, c.refused, d);
        int notices = 0, fillCount = 0;
        int64_t frame = 0;
        o->OnStart = o->OnStop = [&](QObject*) { ++notices; };
        const int bytes = BytesPerSample(c.samples);
        o->OnFillBuffer = [&](uint8_t* b, int32_t& size) {
            const bool signal = c.signalFills == 0 || fillCount++ < c.signalFills;
            for (int32_t i = 0; i < size / bytes; ++i, b += bytes)
                EncodeSample(b, c.samples, signal ? StreamSample(frame + i / 2, i % 2) : 0.0);
            frame += size / bytes / 2;
            return signal;
        };
        o->SetNumBuffers(2);
        o->SetBufferSize(c.bufferFrames * 2 * bytes);
        ASSERT_TRUE(o->Start());
        DeliverNotices();
        ASSERT_TRUE(d->PlayFrames(100));
        const size_t heard = d->Played().size();
        d->ClearLog();
        std::vector<uint8_t> tapped; // what the monitor gets: the fill's samples
        o->OnQueued = [&](const uint8_t* p, int32_t n) { tapped.assign(p, p + n); };

        o->StopSoftly(c.fadeFrames);
        EXPECT_FALSE(o->Playing());
        EXPECT_TRUE(o->Fading());
        const int wordBytes = c.refused & R24 ? 4 : bytes;
        const int64_t tailBytes = c.tailFrames * 2 * wordBytes;
        EXPECT_EQ(d->Log(), (std::vector<std::string>{"withdraw", "prepare 4",
                                                      "write 4 " + std::to_string(tailBytes)}));
        DeliverNotices(); // the ring's buffers came back: nothing is refilled
        EXPECT_EQ(notices, 1);
        ASSERT_TRUE(d->CompleteNext() && !d->CompleteNext());
        DeliverNotices();
        DeliverNotices();
        EXPECT_EQ(notices, 2) << "the stop notice after the fade-out";

        ASSERT_EQ(static_cast<int64_t>(d->Played().size() - heard), tailBytes);
        const double lsb = c.samples == SampleFormat::F32 ? 1e-7 : 0.5 / FullScale(c.samples);
        uint8_t word[4];
        for (int64_t i = 0; i < c.tailFrames * 2; ++i) {
            EncodeSample(word, c.samples, StreamSample(100 + i / 2, static_cast<int>(i % 2)));
            const uint8_t* p = d->Played().data() + heard + i * wordBytes;
            if (wordBytes == 4 && c.samples == SampleFormat::S24) { // the lowest byte stays 0
                ASSERT_EQ(*p++, 0);
            }
            ASSERT_NEAR(DecodeSample(p, c.samples),
                        DecodeSample(word, c.samples) * FadeOutGain(i / 2, c.tailFrames),
                        lsb + 1e-12)
                << "sample " << i;
            ASSERT_TRUE(std::equal(p, p + bytes, tapped.begin() + i * bytes)) << "sample " << i;
        }
    }
}

// Without a fade length, or while paused, a stop is at once; a fade-out ends by StopNow or,
// when the device never plays it, a second after its planned end; a second soft stop changes
// nothing.
TEST_F(TAudioOutTest, aStopIsBoundedWhateverTheDeviceDoes) {
    Handler({});
    out->SetFrameRate(22050);
    for (const int way : {0, 1, 2, 3}) { // no fade, paused, cut, never played
        SCOPED_TRACE(way);
        events.clear();
        ASSERT_TRUE(out->Start());
        out->SetPaused(way == 1);
        out->StopSoftly(way == 0 ? 0 : 220); // 10 ms
        EXPECT_EQ(out->Fading(), way >= 2);
        const auto log = device->Log();
        out->StopSoftly(220);
        EXPECT_EQ(device->Log(), log);
        if (way == 2)
            out->StopNow();
        EXPECT_TRUE(test::RunUntil([&] { return events.size() == 2; }, 5000));
        EXPECT_FALSE(out->DeviceOpen());
    }
}
