// The meters' ballistics on a known signal: a 1 kHz sine at -20 dBFS for three seconds, then
// silence, fed in blocks of 1/30 s as the monitor does.
#include "analysis/LevelMeter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace quavril;

namespace {

constexpr double Fs = 48000;
constexpr int Block = 1600; // 1/30 s

// Feeds `seconds` of the sine (amplitude > 0) or silence, block by block.
void Feed(LevelMeter& meter, double amplitude, double seconds, int64_t& frame) {
    std::vector<float> block(Block);
    for (int n = 0; n < static_cast<int>(std::lround(seconds * Fs / Block)); ++n) {
        for (int i = 0; i < Block; ++i, ++frame)
            block[static_cast<size_t>(i)] =
                static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * 1000 *
                                                        static_cast<double>(frame) / Fs));
        meter.Process(block.data(), block.size());
    }
}

// RMS: -23.01 dBFS for the sine, reached as 1 - e^-t/0.3 s of the power and left as e^-t/0.3 s
// (-4.34 dB per 0.3 s). Peak: falls 20 dB in 1.7 s. Hold: -20 for 2 s, then the falling peak.
TEST(MeterBallistics, peakFallsHoldStaysTwoSecondsAndRmsFollowsItsTimeConstant) {
    const struct {
        double ToneSeconds, SilenceSeconds; // of the -20 dBFS sine, then of silence
        double PeakDb, HoldDb, RmsDb;
    } moments[] = {{0.3, 0.0, -20.0, -20.0, -23.01 + 10 * std::log10(1 - std::exp(-1.0))},
                   {0.9, 0.0, -20.0, -20.0, -23.01 + 10 * std::log10(1 - std::exp(-3.0))},
                   {3.0, 0.0, -20.0, -20.0, -23.01},
                   {3.0, 0.3, -20 - 0.3 * 20 / 1.7, -20.0, -23.01 - 4.343},
                   {3.0, 0.9, -20 - 0.9 * 20 / 1.7, -20.0, -23.01 - 3 * 4.343},
                   {3.0, 2.1, -20 - 2.1 * 20 / 1.7, -20 - 2.1 * 20 / 1.7, -23.01 - 7 * 4.343}};
    for (const auto& m : moments) {
        SCOPED_TRACE(::testing::Message()
                     << m.ToneSeconds << " s of tone, " << m.SilenceSeconds << " s of silence");
        LevelMeter meter;
        meter.SetRate(Fs);
        int64_t frame = 0;
        Feed(meter, 0.1, m.ToneSeconds, frame);
        Feed(meter, 0.0, m.SilenceSeconds, frame);
        const MeterReading r = meter.Reading();
        EXPECT_NEAR(r.PeakDb, m.PeakDb, 0.05);
        EXPECT_NEAR(r.HoldDb, m.HoldDb, 0.05);
        EXPECT_NEAR(r.RmsDb, m.RmsDb, 0.1);
        EXPECT_FALSE(r.Clipped);
    }
}

// A sample at full scale lights the clip mark for 2 s; silence reads the floor.
TEST(MeterClip, fullScaleLightsTheClipMarkForTwoSeconds) {
    LevelMeter meter;
    meter.SetRate(Fs);
    EXPECT_EQ(meter.Reading().PeakDb, LevelMeter::FloorDb);
    EXPECT_EQ(meter.Reading().RmsDb, LevelMeter::FloorDb);
    int64_t frame = 0;
    Feed(meter, 0.999, 0.1, frame);
    EXPECT_FALSE(meter.Reading().Clipped);
    const float over[] = {0.5f, -1.0f, 0.2f};
    meter.Process(over, 3);
    EXPECT_TRUE(meter.Reading().Clipped);
    EXPECT_NEAR(meter.Reading().PeakDb, 0.0, 1e-9);
    Feed(meter, 0.0, 1.9, frame);
    EXPECT_TRUE(meter.Reading().Clipped);
    Feed(meter, 0.0, 0.2, frame);
    EXPECT_FALSE(meter.Reading().Clipped);
}

} // namespace
