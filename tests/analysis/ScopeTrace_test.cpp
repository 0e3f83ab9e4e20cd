// The oscilloscope's time base and trigger.
#include "analysis/ScopeTrace.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace quavril;

namespace {

// About four periods of a tone, 20 ms free-running; never longer than 0.5 s or shorter
// than 16 frames.
TEST(ScopeTimeBase, showsFourPeriodsOrFreeRunsWithinItsLimits) {
    const double cases[][3] = {{48000, 1000, 192}, {44100, 1000, 176}, {48000, 0, 960},
                               {11025, -1, 221},   {48000, 2, 24000},  {48000, 20000, 16},
                               {192000, 440, 1745}};
    for (const auto& c : cases)
        EXPECT_EQ(ScopeTrace::SpanFrames(c[0], c[1]), static_cast<size_t>(c[2]))
            << c[0] << " " << c[1];
}

// The latest rising zero crossing that leaves room for the span, with its fraction: a sine
// of period 44.1 frames starting at phase 0 crosses at k * 44.1. Without a crossing (or room
// for the span) the trace runs freely.
TEST(ScopeTrigger, findsTheLatestRisingCrossingThatLeavesRoomForTheSpan) {
    const double period = 44.1;
    std::vector<float> x(1000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sin(2 * std::numbers::pi * static_cast<double>(i) / period));
    const size_t span = 176;
    const auto at = ScopeTrace::Trigger(x.data(), x.size(), span, 46);
    ASSERT_TRUE(at.has_value());
    const double k = std::floor((1000.0 - span) / period);
    EXPECT_NEAR(*at, k * period, 0.01);
    EXPECT_LE(*at + span, 1000.0);
    // A falling crossing is never taken: inverted, the crossing is half a period later.
    for (float& v : x)
        v = -v;
    const auto inverted = ScopeTrace::Trigger(x.data(), x.size(), span, 46);
    ASSERT_TRUE(inverted.has_value());
    EXPECT_NEAR(std::fmod(*inverted, period), period / 2, 0.01);
    const std::vector<float> constant(500, 0.25f), silence(500, 0.0f);
    EXPECT_FALSE(ScopeTrace::Trigger(constant.data(), 500, 100, 200).has_value());
    EXPECT_FALSE(ScopeTrace::Trigger(silence.data(), 500, 100, 200).has_value());
    EXPECT_FALSE(ScopeTrace::Trigger(x.data(), 50, 100, 200).has_value());
}

} // namespace
