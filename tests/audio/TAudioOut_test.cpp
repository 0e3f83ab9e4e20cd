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

// --- Sample formats on the device ------------------------------------------------------------

namespace {

struct NegotiationCase {
    const char* name;
    SampleFormat samples;
    std::vector<std::pair<uint16_t, uint16_t>> refusedSamples; // format tag, bits
    uint32_t refusedRate;
    std::vector<std::string> opens; // what the device was asked, in order
    const char* error;              // "" when the start succeeds
};

void PrintTo(const NegotiationCase& c, std::ostream* os) {
    *os << c.name;
}

class SampleNegotiation : public TAudioOutTest,
                          public ::testing::WithParamInterface<NegotiationCase> {};

constexpr uint16_t Pcm = WaveFormat::Pcm, Float = WaveFormat::IeeeFloat;

} // namespace

TEST_P(SampleNegotiation, theDeviceGetsTheFillsSamplesOrSaysWhichItRefuses) {
    const NegotiationCase& c = GetParam();
    for (const auto& [tag, bits] : c.refusedSamples)
        device->RefuseSamples(tag, bits);
    if (c.refusedRate)
        device->RefuseRate(c.refusedRate);
    Handler({});
    out->SetStereo(true);
    out->SetFrameRate(192000);
    out->SetSamples(c.samples);
    out->SetBufferSize(4096);
    EXPECT_EQ(out->Start(), *c.error == '\0');
    std::vector<std::string> opens;
    for (const auto& e : device->Log())
        if (e.rfind("open", 0) == 0)
            opens.push_back(e.substr(e.find("2ch ") + 4));
    EXPECT_EQ(opens, c.opens);
    if (*c.error)
        EXPECT_EQ(out->ErrorMessage(), c.error);
    else
        EXPECT_EQ(device->OpenedFormat(), out->DeviceFormat());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SampleNegotiation,
    ::testing::Values(NegotiationCase{"s16", SampleFormat::S16, {}, 0, {"192000Hz 16bit"}, ""},
                      NegotiationCase{"s24", SampleFormat::S24, {}, 0, {"192000Hz 24bit"}, ""},
                      NegotiationCase{"s24InWords",
                                      SampleFormat::S24,
                                      {{Pcm, 24}},
                                      0,
                                      {"192000Hz 24bit", "192000Hz 32bit/24"},
                                      ""},
                      NegotiationCase{"s24Refused",
                                      SampleFormat::S24,
                                      {{Pcm, 24}, {Pcm, 32}},
                                      0,
                                      {"192000Hz 24bit", "192000Hz 32bit/24"},
                                      "The output device does not take 24-bit samples."},
                      NegotiationCase{
                          "f32", SampleFormat::F32, {{Pcm, 24}}, 0, {"192000Hz 32bit float"}, ""},
                      NegotiationCase{"f32Refused",
                                      SampleFormat::F32,
                                      {{Float, 32}},
                                      0,
                                      {"192000Hz 32bit float"},
                                      "The output device does not take 32-bit float samples."},
                      NegotiationCase{"rateRefused",
                                      SampleFormat::S24,
                                      {},
                                      192000,
                                      {"192000Hz 24bit"},
                                      "The output device cannot play at 192000 Hz."}),
    [](const auto& info) { return std::string(info.param.name); });

// The fill and the device get whole frames of the format, one short, exact and one over; a
// device that takes 24-bit samples only in 32-bit words gets each frame widened.
TEST_F(TAudioOutTest, buffersHoldWholeFramesOfEveryFormat) {
    struct Case {
        SampleFormat samples;
        bool stereo, inWords;
        int32_t request, capacity, deviceBytes;
    };
    const Case cases[] = {
        {SampleFormat::S24, true, false, 16384, 16380, 16380},
        {SampleFormat::S24, false, false, 16384, 16383, 16383},
        {SampleFormat::S24, true, true, 16384, 16380, 21840},
        {SampleFormat::S24, true, false, 599, 594, 594},
        {SampleFormat::S24, true, false, 600, 600, 600},
        {SampleFormat::S24, true, true, 601, 600, 800},
        {SampleFormat::F32, true, false, 16383, 16376, 16376},
        {SampleFormat::F32, false, false, 16384, 16384, 16384},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.samples) << " stereo " << c.stereo
                                          << " words " << c.inWords << " request " << c.request);
        device->ClearLog();
        if (c.inWords)
            device->RefuseSamples(Pcm, 24);
        std::vector<int32_t> capacities;
        out->OnFillBuffer = [&](uint8_t*, int32_t& size) {
            capacities.push_back(size);
            return true;
        };
        out->SetStereo(c.stereo);
        out->SetSamples(c.samples);
        out->SetNumBuffers(2);
        out->SetBufferSize(c.request);
        EXPECT_EQ(out->BufferSize(), c.capacity);
        ASSERT_TRUE(out->Start());
        EXPECT_EQ(capacities, (std::vector<int32_t>{c.capacity, c.capacity}));
        const std::string write = "write 0 " + std::to_string(c.deviceBytes);
        EXPECT_EQ(Writes().front(), write);
        out->StopNow();
        DeliverNotices();
        if (c.inWords) { // a fresh device for the next case
            out.reset();
            DeliverNotices();
            SetUp();
        }
    }
}

// --- Soft stops ------------------------------------------------------------------------------

namespace {

// Sample `c` of stream frame `f` as a fraction of full scale; every frame differs.
double StreamSample(int64_t f, int c) {
    return (c == 0 ? 0.9 : -0.7) * std::sin(0.01 * static_cast<double>(f) + c);
}

struct SoftStopCase {
    const char* name;
    SampleFormat samples;
    bool stereo;
    bool inWords; // the device takes 24-bit samples only in 32-bit words
    int32_t bufferFrames;
    int64_t fadeFrames;
    int signalFills;    // fills that hold signal before the end (0: the signal goes on)
    int64_t tailFrames; // frames the fade-out plays
};

void PrintTo(const SoftStopCase& c, std::ostream* os) {
    *os << c.name;
}

class SoftStop : public TAudioOutTest, public ::testing::WithParamInterface<SoftStopCase> {
protected:
    // A handler that writes the stream frame after frame in the output's format.
    void StreamHandler(SampleFormat samples, int channels, int signalFills) {
        out->OnFillBuffer = [this, samples, channels, signalFills](uint8_t* b, int32_t& size) {
            const int call = fills++;
            const bool signal = signalFills == 0 || call < signalFills;
            const int bytes = BytesPerSample(samples);
            for (int32_t i = 0; i < size / bytes; ++i, b += bytes)
                EncodeSample(b, samples,
                             signal ? StreamSample(frame_ + i / channels, i % channels) : 0.0);
            frame_ += size / bytes / channels;
            return signal;
        };
    }
    int64_t frame_ = 0;
};

// The frame's sample as the device got it, a fraction of full scale (24 bits in a 32-bit
// word: the upper three bytes, the lowest must be 0).
double Decoded(const uint8_t* p, SampleFormat samples, bool inWords) {
    if (!inWords)
        return DecodeSample(p, samples);
    EXPECT_EQ(p[0], 0);
    return DecodeSample(p + 1, SampleFormat::S24);
}

} // namespace

// Frames already heard stay heard; the next ones (queued or, while the signal goes on, rendered
// ahead) are played once more along the raised cosine, and nothing after them.
TEST_P(SoftStop, theUnheardFramesFadeOutAndTheSoundEndsWithinTheFade) {
    const SoftStopCase& c = GetParam();
    const int channels = c.stereo ? 2 : 1;
    if (c.inWords)
        device->RefuseSamples(Pcm, 24);
    StreamHandler(c.samples, channels, c.signalFills);
    out->SetStereo(c.stereo);
    out->SetSamples(c.samples);
    out->SetNumBuffers(2);
    out->SetBufferSize(c.bufferFrames * channels * BytesPerSample(c.samples));
    ASSERT_TRUE(out->Start());
    DeliverNotices();
    const int64_t heardFrames = 100;
    ASSERT_TRUE(device->PlayFrames(heardFrames));
    const size_t heard = device->Played().size();
    device->ClearLog();

    out->StopSoftly(c.fadeFrames);
    EXPECT_FALSE(out->Playing());
    EXPECT_TRUE(out->Fading());
    const int deviceBytes = c.inWords ? 4 : BytesPerSample(c.samples);
    const int64_t tailBytes = c.tailFrames * channels * deviceBytes;
    EXPECT_EQ(device->Log(), (std::vector<std::string>{"withdraw", "prepare 4",
                                                       "write 4 " + std::to_string(tailBytes)}));
    DeliverNotices(); // the ring's buffers came back: nothing is refilled
    EXPECT_TRUE(Writes().size() == 1u);
    EXPECT_EQ(events, std::vector<std::string>{"start"});
    ASSERT_TRUE(device->CompleteNext());
    EXPECT_FALSE(device->CompleteNext());
    DeliverNotices();
    DeliverNotices();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
    EXPECT_FALSE(out->DeviceOpen());
    EXPECT_FALSE(out->Fading());

    const std::vector<uint8_t>& played = device->Played();
    ASSERT_EQ(static_cast<int64_t>(played.size() - heard), tailBytes);
    const double lsb = c.samples == SampleFormat::F32 ? 1e-7 : 0.5 / FullScale(c.samples);
    std::vector<uint8_t> word(4);
    for (int64_t i = 0; i < c.tailFrames; ++i)
        for (int ch = 0; ch < channels; ++ch) {
            EncodeSample(word.data(), c.samples, StreamSample(heardFrames + i, ch));
            const double queued = DecodeSample(word.data(), c.samples);
            const uint8_t* p = played.data() + heard + (i * channels + ch) * deviceBytes;
            ASSERT_NEAR(Decoded(p, c.samples, c.inWords), queued * FadeOutGain(i, c.tailFrames),
                        lsb + 1e-12)
                << "frame " << i << " channel " << ch;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoftStop,
    ::testing::Values(SoftStopCase{"s16QueueHoldsTheFade", SampleFormat::S16, false, false, 1024,
                                   300, 0, 300},
                      SoftStopCase{"s24RendersAheadOfTheQueue", SampleFormat::S24, true, false, 256,
                                   1000, 0, 1000},
                      SoftStopCase{"s24InWords", SampleFormat::S24, true, true, 256, 300, 0, 300},
                      // Two buffers queued, one more fill of signal: 412 + 256 frames fade.
                      SoftStopCase{"f32SignalEndShortensTheFade", SampleFormat::F32, true, false,
                                   256, 1000, 3, 668}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TAudioOutTest, aStopWithoutFadeOrWhilePausedIsImmediate) {
    for (const bool paused : {false, true}) {
        Handler({});
        ASSERT_TRUE(out->Start());
        out->SetPaused(paused);
        device->ClearLog();
        out->StopSoftly(paused ? 1000 : 0);
        EXPECT_FALSE(out->DeviceOpen());
        EXPECT_FALSE(out->Fading());
        EXPECT_TRUE(Writes().empty());
        EXPECT_EQ(device->Log().back(), "close");
    }
}

TEST_F(TAudioOutTest, aFadeOutEndsByStopNowOrByItsDeadlineButNotByAnotherSoftStop) {
    Handler({});
    out->SetFrameRate(22050);
    for (const bool cut : {true, false}) {
        events.clear();
        ASSERT_TRUE(out->Start());
        out->StopSoftly(220); // 10 ms
        ASSERT_TRUE(out->Fading());
        const auto log = device->Log();
        out->StopSoftly(220);
        EXPECT_EQ(device->Log(), log);
        if (cut)
            out->StopNow();
        // The device never plays the fade: the connection ends a second after its end.
        EXPECT_TRUE(test::RunUntil([&] { return !out->DeviceOpen(); }, 5000));
        EXPECT_TRUE(test::RunUntil([&] { return events.size() == 2; }, 1000));
        EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
    }
}
