// One renewal of the monitor's picture from its ring: a tone of known frequency is triggered
// over four periods from a rising zero crossing, the same tone as a sweep (no frequency given)
// runs freely; mono has one channel.
#include "analysis/MonitorRing.h"
#include "analysis/ScopeTrace.h"
#include "analysis/SignalAnalysis.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace quavril;

namespace {

// `seconds` of a 16-bit sine of `hz` at -20 dBFS, interleaved in `channels` channels.
void AppendSine(MonitorRing& ring, int channels, double hz, double seconds) {
    const int frames = static_cast<int>(48000 * seconds);
    std::vector<uint8_t> bytes(static_cast<size_t>(frames * channels * 2));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            EncodeSample(
                &bytes[static_cast<size_t>((i * channels + c) * 2)], SampleFormat::S16,
                0.1 * std::sin(2 * std::numbers::pi * hz * (ring.Written() + i) / 48000 + 0.7));
    ring.Append(bytes.data(), static_cast<int32_t>(bytes.size()), channels, SampleFormat::S16);
}

TEST(PictureRenewal, triggersOnlyAToneOfKnownFrequency) {
    const struct {
        int Channels;
        double ScopeHz;
        bool Triggered;
        size_t Span;
    } renewals[] = {{2, 1000, true, 192}, {2, 0, false, 960}, {1, 1000, true, 192}};
    for (const auto& r : renewals) {
        SCOPED_TRACE(::testing::Message() << r.Channels << " channels, " << r.ScopeHz << " Hz");
        MonitorRing ring;
        AppendSine(ring, r.Channels, 1000, 1.0);
        SignalAnalysis analysis;
        analysis.SetRate(48000);
        for (int64_t at = 24000; at <= 48000; at += 1600)
            analysis.Update(ring, at - 333, r.ScopeHz);
        EXPECT_EQ(analysis.Channels(), r.Channels);
        EXPECT_EQ(analysis.Triggered(), r.Triggered);
        EXPECT_EQ(analysis.ScopeSpan(), r.Span);
        const std::vector<float>& left = analysis.Scope(0);
        ASSERT_GE(left.size(), r.Span);
        if (r.Triggered) { // the trace starts at the crossing: below zero, then at or above it
            EXPECT_TRUE(left[0] < 0 && left[1] >= 0) << left[0] << " " << left[1];
        }
        EXPECT_EQ(analysis.Scope(1).empty(), r.Channels == 1);
        EXPECT_NEAR(analysis.Meter(0).PeakDb, -20, 0.05);
    }
}

} // namespace
