// The monitor's ring: what goes in as device bytes comes out per channel, in every sample
// format, across the ring's wrap, with silence for what it does not hold.
#include "analysis/MonitorRing.h"

#include <gtest/gtest.h>
#include <vector>

using namespace quavril;

namespace {

// Interleaved stereo frames (left = i, right = -i, as fractions) in `format`.
std::vector<uint8_t> StereoRamp(SampleFormat format, int frames, int first) {
    const int bytes = BytesPerSample(format);
    std::vector<uint8_t> data(static_cast<size_t>(frames * 2 * bytes));
    for (int i = 0; i < frames; ++i) {
        const double v = ((first + i) % 1000) / 1000.0;
        EncodeSample(&data[static_cast<size_t>(i * 2 * bytes)], format, v);
        EncodeSample(&data[static_cast<size_t>((i * 2 + 1) * bytes)], format, -v);
    }
    return data;
}

TEST(RingFormats, framesComeBackPerChannelAcrossTheWrap) {
    for (const SampleFormat format : {SampleFormat::S16, SampleFormat::S24, SampleFormat::F32}) {
        const double tolerance = format == SampleFormat::S16 ? 1.0 / 32767 : 1e-6;
        MonitorRing ring;
        // 1.5 times the capacity in chunks of 40,000 frames, the last one partial.
        const int chunk = 40000;
        int written = 0;
        while (written < MonitorRing::CapacityFrames * 3 / 2) {
            const auto data = StereoRamp(format, chunk, written);
            ring.Append(data.data(), static_cast<int32_t>(data.size()), 2, format);
            written += chunk;
        }
        ASSERT_EQ(ring.Written(), written);
        EXPECT_EQ(ring.Channels(), 2);
        const int frames = 50000;
        std::vector<float> left(frames), right(frames);
        const int64_t end = written - 1000;
        ring.Read(0, end, frames, left.data());
        ring.Read(1, end, frames, right.data());
        for (int i = 0; i < frames; i += 997) {
            const double v = ((end - frames + i) % 1000) / 1000.0;
            ASSERT_NEAR(left[static_cast<size_t>(i)], v, tolerance) << i;
            ASSERT_NEAR(right[static_cast<size_t>(i)], -v, tolerance) << i;
        }
    }
}

// Frames not yet written, overwritten, or from before a restart read as silence; a mono
// frame is both channels; a partial frame at the end of the bytes is not taken.
TEST(RingEdges, whatTheRingDoesNotHoldReadsAsSilence) {
    MonitorRing ring;
    const auto stereo = StereoRamp(SampleFormat::S16, 100, 1);
    ring.Append(stereo.data(), static_cast<int32_t>(stereo.size()) - 2, 2, SampleFormat::S16);
    EXPECT_EQ(ring.Written(), 99);
    std::vector<float> out(10, 9.0f);
    ring.Read(0, 104, 10, out.data()); // frames 94..103: 94..98 held
    EXPECT_NEAR(out[0], 0.095, 1e-4);
    EXPECT_NEAR(out[4], 0.099, 1e-4);
    EXPECT_EQ(out[5], 0.0f);
    EXPECT_EQ(out[9], 0.0f);
    ring.Read(0, 5, 10, out.data()); // frames -5..4
    EXPECT_EQ(out[4], 0.0f);
    EXPECT_NEAR(out[5], 0.001, 1e-4);

    ring.Restart();
    const std::vector<uint8_t> mono = {0xff, 0x3f, 0x01, 0xc0}; // 16383, -16383
    ring.Append(mono.data(), 4, 1, SampleFormat::S16);
    EXPECT_EQ(ring.Channels(), 1);
    ring.Read(1, 101, 4, out.data());
    EXPECT_EQ(out[0], 0.0f); // frame 97: before the restart
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_NEAR(out[2], 0.5, 1e-4);
    EXPECT_NEAR(out[3], -0.5, 1e-4);
}

} // namespace
