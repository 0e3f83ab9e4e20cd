// The wave-out port's contract, checked once in the port: every back end refuses the same
// calls with the same codes, keeps the header flags untouched when it refuses, and hands
// buffers back in queue order before Reset and Close return. Run against the virtual test
// device and against ALSA (a file PCM with a null slave).
#include "audio/AlsaWaveOut.h"
#include "audio/VirtualWaveOut.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/CliProcess.h"

#include <alsa/asoundlib.h>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace quavril;
namespace fs = std::filesystem;

namespace {

// Records the notices of one connection as text.
struct RecordingSink : WaveOutSink {
    std::vector<std::string> notices;
    void DeviceOpened() override { notices.push_back("opened"); }
    void BufferDone(WaveHeader& h) override { notices.push_back("done " + std::to_string(h.User)); }
    void DeviceClosed() override { notices.push_back("closed"); }
    void DeviceFailed(int code) override { notices.push_back("failed " + std::to_string(code)); }
};

enum class Backend { Virtual, Alsa };

struct WaveOutPortTest : ::testing::TestWithParam<Backend> {
    test::CliFixture files; // ALSA only: a private configuration with the capture device
    std::unique_ptr<WaveOutPort> port;
    VirtualWaveOut* virtualDevice = nullptr;
    std::string device;
    RecordingSink sink;
    WaveFormat format; // 22050 Hz mono 16-bit
    std::array<std::vector<uint8_t>, 3> data;
    std::array<WaveHeader, 3> h{};

    void SetUp() override {
        test::EnsureApplication();
        if (GetParam() == Backend::Alsa) {
            files.SetUp("port");
            files.AddCaptureDevice("quavril_capture", files.dir / "capture.raw", "null");
            snd_config_update_free_global();
        }
        Fresh();
    }
    // A new port of the back end, no notices, three prepared-for-nothing headers.
    void Fresh() {
        port.reset();
        test::DeliverNotices();
        virtualDevice = nullptr;
        if (GetParam() == Backend::Alsa) {
            port = std::make_unique<AlsaWaveOut>();
            device = "quavril_capture";
        } else {
            auto v = std::make_unique<VirtualWaveOut>();
            virtualDevice = v.get();
            port = std::move(v);
            device = "virtual";
        }
        sink.notices.clear();
        h = {};
        for (size_t i = 0; i < h.size(); ++i) {
            data[i].assign(1024, static_cast<uint8_t>(i));
            h[i].Data = data[i].data();
            h[i].BufferLength = 1024;
            h[i].User = i;
        }
    }
    void TearDown() override {
        port.reset();
        if (GetParam() == Backend::Alsa) {
            files.TearDown();
            snd_config_update_free_global();
        }
    }
    int Open() { return port->Open(device, format, {1024, 3}, sink); }
    // Calls the back end has seen (the virtual device's log; ALSA keeps none).
    size_t BackendCalls() const { return virtualDevice ? virtualDevice->Log().size() : 0; }
};

struct Refusal {
    const char* rule;
    std::function<void(WaveOutPortTest&)> setup;
    std::function<int(WaveOutPortTest&)> call;
    int code;
};

void OpenPaused(WaveOutPortTest& t) {
    ASSERT_EQ(t.Open(), WaveOk);
    ASSERT_EQ(t.port->Pause(), WaveOk); // what is written stays queued
}
void Queued(WaveOutPortTest& t) {
    OpenPaused(t);
    ASSERT_EQ(t.port->Prepare(t.h[0]), WaveOk);
    ASSERT_EQ(t.port->Write(t.h[0]), WaveOk);
}
void Prepared(WaveOutPortTest& t) {
    ASSERT_EQ(t.Open(), WaveOk);
    ASSERT_EQ(t.port->Prepare(t.h[0]), WaveOk);
}
std::function<int(WaveOutPortTest&)> OpenWith(std::function<void(WaveFormat&)> change) {
    return [change](WaveOutPortTest& t) {
        WaveFormat f = t.format;
        change(f);
        return t.port->Open(t.device, f, {1024, 3}, t.sink);
    };
}

const std::vector<Refusal>& Refusals() {
    static const std::vector<Refusal> table{
        {"prepare while closed", nullptr, [](auto& t) { return t.port->Prepare(t.h[0]); },
         WaveErrNotOpen},
        {"unprepare while closed", nullptr, [](auto& t) { return t.port->Unprepare(t.h[0]); },
         WaveErrNotOpen},
        {"write while closed", [](auto& t) { t.h[0].Flags = WaveHeaderPrepared; },
         [](auto& t) { return t.port->Write(t.h[0]); }, WaveErrNotOpen},
        {"pause while closed", nullptr, [](auto& t) { return t.port->Pause(); }, WaveErrNotOpen},
        {"restart while closed", nullptr, [](auto& t) { return t.port->Restart(); },
         WaveErrNotOpen},
        {"reset while closed", nullptr, [](auto& t) { return t.port->Reset(); }, WaveErrNotOpen},
        {"close while closed", nullptr, [](auto& t) { return t.port->Close(); }, WaveErrNotOpen},
        {"open while open", [](auto& t) { ASSERT_EQ(t.Open(), WaveOk); },
         [](auto& t) { return t.Open(); }, WaveErrAlreadyOpen},
        {"open without a device name", nullptr,
         [](auto& t) {
             return t.port->Open("", t.format, {1024, 3}, t.sink);
         },
         WaveErrNoDevice},
        {"open of no channel", nullptr, OpenWith([](auto& f) { f.Channels = 0, f.BlockAlign = 0; }),
         WaveErrBadFormat},
        {"open of three channels", nullptr,
         OpenWith([](auto& f) { f.Channels = 3, f.BlockAlign = 6; }), WaveErrBadFormat},
        {"open of 12-bit samples", nullptr,
         OpenWith([](auto& f) { f.BitsPerSample = 12, f.BlockAlign = 2; }), WaveErrBadFormat},
        {"open of rate 0", nullptr, OpenWith([](auto& f) { f.SamplesPerSec = 0; }),
         WaveErrBadFormat},
        {"open of a block align that is not one frame", nullptr,
         OpenWith([](auto& f) { f.BlockAlign = 4; }), WaveErrBadFormat},
        {"open of a format that is not PCM or float", nullptr,
         OpenWith([](auto& f) { f.FormatTag = 2; }), WaveErrBadFormat},
        {"open of 16-bit float", nullptr,
         OpenWith([](auto& f) { f.FormatTag = WaveFormat::IeeeFloat; }), WaveErrBadFormat},
        {"open of 24 valid bits in 16-bit words", nullptr,
         OpenWith([](auto& f) { f.ValidBitsPerSample = 24; }), WaveErrBadFormat},
        {"prepare of null data", [](auto& t) { ASSERT_EQ(t.Open(), WaveOk); },
         [](auto& t) {
             t.h[0].Data = nullptr;
             return t.port->Prepare(t.h[0]);
         },
         WaveErrBadBuffer},
        {"prepare of a negative length", [](auto& t) { ASSERT_EQ(t.Open(), WaveOk); },
         [](auto& t) {
             t.h[0].BufferLength = -2;
             return t.port->Prepare(t.h[0]);
         },
         WaveErrBadBuffer},
        {"write of an unprepared header", [](auto& t) { ASSERT_EQ(t.Open(), WaveOk); },
         [](auto& t) { return t.port->Write(t.h[0]); }, WaveErrUnprepared},
        {"write of null data", Prepared,
         [](auto& t) {
             t.h[0].Data = nullptr;
             return t.port->Write(t.h[0]);
         },
         WaveErrBadBuffer},
        {"write of a negative length", Prepared,
         [](auto& t) {
             t.h[0].BufferLength = -2;
             return t.port->Write(t.h[0]);
         },
         WaveErrBadBuffer},
        {"write of part of a frame", Prepared,
         [](auto& t) {
             t.h[0].BufferLength = 1023;
             return t.port->Write(t.h[0]);
         },
         WaveErrBadBuffer},
        {"unprepare of a queued header", Queued, [](auto& t) { return t.port->Unprepare(t.h[0]); },
         WaveErrStillPlaying},
        {"prepare of a queued header", Queued, [](auto& t) { return t.port->Prepare(t.h[0]); },
         WaveErrStillPlaying},
        {"write of a queued header", Queued, [](auto& t) { return t.port->Write(t.h[0]); },
         WaveErrStillPlaying},
    };
    return table;
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Alsa ? "Alsa" : "Virtual";
}

} // namespace

TEST_P(WaveOutPortTest, everyBackEndRefusesWhatBreaksTheContractAndChangesNothing) {
    for (const Refusal& r : Refusals()) {
        SCOPED_TRACE(r.rule);
        Fresh();
        if (r.setup)
            r.setup(*this);
        ASSERT_FALSE(HasFatalFailure());
        const bool open = port->IsOpen();
        const auto notices = sink.notices;
        const size_t calls = BackendCalls();
        std::array<uint32_t, 3> flags{};
        for (size_t i = 0; i < h.size(); ++i)
            flags[i] = h[i].Flags;

        EXPECT_EQ(r.call(*this), r.code);
        EXPECT_EQ(port->IsOpen(), open);
        EXPECT_EQ(BackendCalls(), calls); // the back end never saw the call
        for (size_t i = 0; i < h.size(); ++i)
            EXPECT_EQ(h[i].Flags, flags[i]) << "header " << i;
        test::DeliverNotices();
        EXPECT_EQ(sink.notices, notices);
    }
}

TEST_P(WaveOutPortTest, resetAndCloseHandEveryQueuedBufferBackInOrderBeforeTheyReturn) {
    ASSERT_EQ(Open(), WaveOk);
    ASSERT_EQ(port->Pause(), WaveOk);
    for (WaveHeader& header : h) {
        ASSERT_EQ(port->Prepare(header), WaveOk);
        ASSERT_EQ(port->Write(header), WaveOk);
        EXPECT_EQ(header.Flags, WaveHeaderPrepared | WaveHeaderInQueue);
    }
    EXPECT_EQ(sink.notices, std::vector<std::string>{"opened"});
    ASSERT_EQ(port->Reset(), WaveOk);
    EXPECT_EQ(sink.notices, (std::vector<std::string>{"opened", "done 0", "done 1", "done 2"}));
    for (const WaveHeader& header : h)
        EXPECT_EQ(header.Flags, WaveHeaderPrepared | WaveHeaderDone);

    sink.notices.clear();
    ASSERT_EQ(port->Write(h[2]), WaveOk);
    ASSERT_EQ(port->Write(h[0]), WaveOk);
    ASSERT_EQ(port->Close(), WaveOk);
    EXPECT_EQ(sink.notices, (std::vector<std::string>{"done 2", "done 0", "closed"}));
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->IsPaused());            // every close ends the pause
    test::RunUntil([] { return false; }, 200); // nothing of that connection follows
    EXPECT_EQ(sink.notices.back(), "closed");
    EXPECT_EQ(sink.notices.size(), 3u);
    // The headers can go to the next connection.
    ASSERT_EQ(Open(), WaveOk);
    EXPECT_EQ(port->Unprepare(h[1]), WaveOk);
    EXPECT_EQ(h[1].Flags & WaveHeaderPrepared, 0u);
}

TEST_P(WaveOutPortTest, theBackEndsTextsCoverThePortsOwnCodes) {
    for (int code = WaveOk; code <= WaveErrNotResponding; ++code)
        EXPECT_EQ(port->ErrorText(code), WaveOutResultText(code));
    EXPECT_FALSE(port->ErrorText(-5).empty());
}

// Every sample format the port describes goes through the device unchanged: three buffers of
// stereo frames at 48000 Hz, recorded by the virtual device or captured by the ALSA file PCM.
TEST_P(WaveOutPortTest, everySampleFormatReachesTheDeviceByteForByte) {
    const fs::path capture = files.dir / "capture.raw";
    for (const auto [tag, bits, valid] : {std::array<uint16_t, 3>{WaveFormat::Pcm, 16, 0},
                                          {WaveFormat::Pcm, 24, 0},
                                          {WaveFormat::Pcm, 32, 24},
                                          {WaveFormat::IeeeFloat, 32, 0}}) {
        SCOPED_TRACE(::testing::Message() << tag << " " << bits << "/" << valid);
        Fresh();
        fs::remove(capture);
        WaveFormat f{tag, 2, 48000, 0, static_cast<uint16_t>(bits / 4), bits, 0, valid};
        std::vector<uint8_t> expected;
        for (size_t i = 0; i < h.size(); ++i) {
            data[i].resize(96u * f.BlockAlign);
            for (size_t b = 0; b < data[i].size(); ++b)
                data[i][b] = static_cast<uint8_t>(b * 13 + i * 101);
            h[i].BufferLength = static_cast<int32_t>(data[i].size());
            h[i].Data = data[i].data();
            expected.insert(expected.end(), data[i].begin(), data[i].end());
        }
        ASSERT_EQ(port->Open(device, f, {h[0].BufferLength, 3}, sink), WaveOk);
        for (WaveHeader& header : h)
            ASSERT_TRUE(port->Prepare(header) == WaveOk && port->Write(header) == WaveOk);
        if (virtualDevice) {
            EXPECT_EQ(virtualDevice->CompleteAll(), 3);
        }
        ASSERT_TRUE(test::RunUntil([&] { return sink.notices.size() == 4; }, 5000));
        ASSERT_EQ(port->Close(), WaveOk);
        EXPECT_TRUE((virtualDevice ? virtualDevice->Played() : test::ReadFile(capture)) ==
                    expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, WaveOutPortTest,
                         ::testing::Values(Backend::Virtual, Backend::Alsa), BackendName);

// A connection that broke refuses every further write with the failure's code and holds no
// pause or restart for the device; the next connection starts clean.
TEST(WaveOutPortFailure, aBrokenConnectionRefusesWritesUntilItIsClosed) {
    test::EnsureApplication();
    RecordingSink sink; // outlives the device, which closes when destroyed
    std::vector<uint8_t> data(64);
    WaveHeader h;
    VirtualWaveOut device;
    h.Data = data.data();
    h.BufferLength = 64;
    ASSERT_EQ(device.Open("virtual", WaveFormat{}, {64, 2}, sink), WaveOk);
    ASSERT_EQ(device.Prepare(h), WaveOk);
    device.Break(VirtualWaveOut::VirtualFailure);
    device.Break(-7); // reported once
    EXPECT_EQ(sink.notices, (std::vector<std::string>{"opened", "failed -1000"}));
    device.ClearLog();
    EXPECT_EQ(device.Write(h), VirtualWaveOut::VirtualFailure);
    EXPECT_EQ(device.Pause(), WaveOk);
    EXPECT_EQ(device.Restart(), WaveOk);
    EXPECT_TRUE(device.Log().empty());
    EXPECT_EQ(device.Close(), WaveOk);
    ASSERT_EQ(device.Open("virtual", WaveFormat{}, {64, 2}, sink), WaveOk);
    ASSERT_EQ(device.Prepare(h), WaveOk);
    EXPECT_EQ(device.Write(h), WaveOk);
}
