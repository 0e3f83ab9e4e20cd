// The ALSA back end under the output component, through the real library: a file PCM with a
// null slave records every frame that reaches the device, in order.
#include "audio/AlsaWaveOut.h"
#include "audio/DeviceList.h"
#include "audio/TAudioOut.h"
#include "synth/SampleFormat.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/CliProcess.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <memory>

using namespace quavril;
namespace fs = std::filesystem;

namespace {

struct AlsaWaveOutTest : ::testing::Test {
    test::CliFixture files; // a private folder and ALSA_CONFIG_PATH
    fs::path capture;
    std::unique_ptr<TAudioOut> out;
    AlsaWaveOut* port = nullptr;
    int starts = 0, stops = 0, errors = 0;
    int fills = 0;

    void SetUp() override {
        test::EnsureApplication();
        files.SetUp("alsa");
        capture = files.dir / "capture.raw";
        files.AddCaptureDevice("quavril_capture", capture, "null", "Quavril test capture");
        snd_config_update_free_global(); // read the configuration again
        Make(AlsaWaveOut::PauseMode::Device);
    }
    void TearDown() override {
        out.reset();
        test::DeliverNotices();
        files.TearDown();
        snd_config_update_free_global();
    }
    void Make(AlsaWaveOut::PauseMode mode) {
        auto p = std::make_unique<AlsaWaveOut>(mode);
        port = p.get();
        out = std::make_unique<TAudioOut>(std::move(p));
        out->SetDeviceNames({"quavril_capture", "quavril_missing"});
        out->SetWaveDevice(0);
        out->OnStart = [this](QObject*) { ++starts; };
        out->OnStop = [this](QObject*) { ++stops; };
        out->OnError = [this](QObject*) { ++errors; };
    }
    // Fills buffer n with the bytes of a counter that runs over the whole stream; `sizes`
    // gives the bytes of each fill, and the fill after the last one ends the stream.
    std::vector<uint8_t> Stream(std::vector<int32_t> sizes) {
        std::vector<uint8_t> expected;
        auto counter = std::make_shared<uint32_t>(0);
        out->OnFillBuffer = [this, sizes, counter](uint8_t* buffer, int32_t& size) {
            const size_t call = static_cast<size_t>(fills++);
            if (call >= sizes.size()) {
                size = 0;
                return false;
            }
            size = std::min(size, sizes[call]);
            for (int32_t i = 0; i < size; ++i)
                buffer[i] = static_cast<uint8_t>((*counter)++ * 7 + call);
            return true;
        };
        uint32_t c = 0;
        for (size_t call = 0; call < sizes.size(); ++call)
            for (int32_t i = 0; i < sizes[call]; ++i)
                expected.push_back(static_cast<uint8_t>(c++ * 7 + call));
        return expected;
    }
    void PlayToTheEnd() {
        ASSERT_TRUE(out->Start()) << out->ErrorMessage();
        ASSERT_TRUE(test::RunUntil([&] { return stops == 1; }));
        EXPECT_FALSE(out->Playing());
        EXPECT_FALSE(out->DeviceOpen());
        EXPECT_EQ(starts, 1);
    }
};

} // namespace

TEST_F(AlsaWaveOutTest, everyQueuedByteReachesTheDeviceInOrder) {
    out->SetStereo(true);
    out->SetFrameRate(44100);
    out->SetNumBuffers(3);
    out->SetBufferSize(4096);
    const auto expected = Stream({4096, 4096, 4096, 4096, 4096, 4092, 4, 4096, 1000});
    PlayToTheEnd();
    EXPECT_EQ(errors, 0);
    EXPECT_TRUE(test::ReadFile(capture) == expected);
    EXPECT_GT(port->RingFrames(), 0);
    EXPECT_GT(port->PeriodFrames(), 0);
}

TEST_F(AlsaWaveOutTest, aSignalShorterThanOneBufferAndTheStartThresholdStillPlays) {
    out->SetFrameRate(8000);
    out->SetNumBuffers(4);
    out->SetBufferSize(64536);
    const auto expected = Stream({2}); // one frame
    PlayToTheEnd();
    EXPECT_TRUE(test::ReadFile(capture) == expected);
}

TEST_F(AlsaWaveOutTest, eightBitSamplesGoOutUnchanged) {
    out->SetQuantization(8);
    out->SetFrameRate(11025);
    out->SetBufferSize(777); // 777 one-byte frames
    const auto expected = Stream({777, 777, 777, 777, 777, 777, 5});
    PlayToTheEnd();
    EXPECT_TRUE(test::ReadFile(capture) == expected);
}

TEST_F(AlsaWaveOutTest, pauseAndResumeLoseNoFrameWhenThePauseIsEmulated) {
    Make(AlsaWaveOut::PauseMode::Emulate);
    out->SetFrameRate(22050);
    out->SetNumBuffers(2);
    out->SetBufferSize(2048);
    const auto expected = Stream({2048, 2048, 2048, 2048, 2048, 2048});
    ASSERT_TRUE(out->Start());
    out->SetPaused(true);
    test::DeliverNotices();
    out->SetPaused(false);
    out->SetPaused(true);
    out->SetPaused(false);
    ASSERT_TRUE(test::RunUntil([&] { return stops == 1; }));
    EXPECT_TRUE(test::ReadFile(capture) == expected);
}

TEST_F(AlsaWaveOutTest, aPausedStartHoldsEverythingUntilResumed) {
    out->SetNumBuffers(2);
    out->SetBufferSize(1024);
    const auto expected = Stream({1024, 1024, 1024});
    out->SetPaused(true);
    ASSERT_TRUE(out->Start());
    test::DeliverNotices();
    test::DeliverNotices();
    EXPECT_EQ(out->DoneCount(), 0);
    EXPECT_TRUE(out->Playing());
    EXPECT_EQ(port->Delay(), 2 * 512); // both queued buffers, 16-bit mono, not heard yet
    out->SetPaused(false);
    ASSERT_TRUE(test::RunUntil([&] { return stops == 1; }));
    EXPECT_TRUE(test::ReadFile(capture) == expected);
    EXPECT_EQ(port->Delay(), 0);
}

TEST_F(AlsaWaveOutTest, stopNowClosesAtOnceAndTheDeviceOpensAgain) {
    out->SetBufferSize(1024);
    Stream({1024, 1024, 1024, 1024, 1024, 1024, 1024, 1024});
    ASSERT_TRUE(out->Start());
    out->StopNow();
    EXPECT_FALSE(out->Playing());
    EXPECT_FALSE(out->DeviceOpen());
    ASSERT_TRUE(test::RunUntil([&] { return stops == 1; }));
    EXPECT_FALSE(out->Playing()); // the handed-back buffers changed nothing
    EXPECT_EQ(test::ReadFile(capture).size() % 2, 0u);

    fills = starts = stops = 0;
    const auto expected = Stream({1024, 10});
    PlayToTheEnd();
    EXPECT_TRUE(test::ReadFile(capture) == expected);
}

TEST_F(AlsaWaveOutTest, aMissingDeviceFailsTheStartWithItsText) {
    Stream({1024});
    out->SetWaveDevice(1);
    EXPECT_FALSE(out->Start());
    EXPECT_EQ(out->ErrorMessage(), "No such output device.");
    EXPECT_FALSE(out->DeviceOpen());
    test::DeliverNotices();
    EXPECT_EQ(starts + stops, 0);
}

// Devices that take only some sample formats (ALSA's linear plug-in takes integers, its float
// plug-in floats, both converting for the capture device) name the format they refuse.
TEST_F(AlsaWaveOutTest, aDeviceThatRefusesASampleFormatSaysWhichOne) {
    files.WriteAlsaConfig("pcm.quavril_ints { type linear slave { pcm \"quavril_capture\" "
                          "format S32_LE } }\npcm.quavril_floats { type lfloat slave { pcm "
                          "\"quavril_capture\" format S32_LE } }\n");
    snd_config_update_free_global();
    out->SetDeviceNames({"quavril_ints", "quavril_floats"});
    out->SetStereo(true);
    for (const auto& [device, samples, refused] : {std::tuple{0, SampleFormat::F32, "32-bit float"},
                                                   {1, SampleFormat::S24, "24-bit"},
                                                   {1, SampleFormat::S16, "16-bit"},
                                                   {0, SampleFormat::S24, ""},
                                                   {1, SampleFormat::F32, ""}}) {
        SCOPED_TRACE(::testing::Message() << device << " " << refused);
        fills = starts = stops = 0;
        Stream({1200, 1200});
        out->SetWaveDevice(device);
        out->SetSamples(samples);
        out->SetBufferSize(1200);
        if (*refused == '\0') {
            PlayToTheEnd();
            continue;
        }
        EXPECT_FALSE(out->Start());
        EXPECT_EQ(out->ErrorMessage(),
                  std::string("The output device does not take ") + refused + " samples.");
    }
}

TEST_F(AlsaWaveOutTest, theDeviceListShowsConfiguredDevicesButNotNullOrDefault) {
    const DeviceList list = DeviceList::FromPort(*port);
    ASSERT_FALSE(list.Entries().empty());
    EXPECT_EQ(list.Entries()[0].Name, "default");
    bool found = false;
    for (size_t i = 1; i < list.Entries().size(); ++i) {
        const DeviceEntry& e = list.Entries()[i];
        EXPECT_NE(e.Name, "null");
        EXPECT_NE(e.Name, "default");
        EXPECT_LE(e.Shown.size(), 32u * 4);
        if (e.Name == "quavril_capture") {
            found = true;
            EXPECT_EQ(e.Shown, "Quavril test capture");
        }
    }
    EXPECT_TRUE(found);
    EXPECT_FALSE(list.NoUsableDevice());
}

TEST(AlsaErrorText, everyCodeHasAText) {
    const AlsaWaveOut port;
    EXPECT_EQ(port.ErrorText(-ENOENT), "No such output device.");
    EXPECT_EQ(port.ErrorText(-EBUSY), "The output device is busy: another program is using it.");
    EXPECT_EQ(port.ErrorText(-EHOSTDOWN), "The sound server is not running.");
    EXPECT_EQ(port.ErrorText(-ENODEV), "The output device has been disconnected.");
    EXPECT_EQ(port.ErrorText(WaveErrBadFormat), WaveOutResultText(WaveErrBadFormat));
    EXPECT_NE(port.ErrorText(-EPROTO).find("Output device error: "), std::string::npos);
}
