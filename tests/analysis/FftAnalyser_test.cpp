// The spectrum's readout of the strongest peak: known tones, quantised to 16 bits and read
// back through the monitor's ring, at several rates and FFT sizes, on and between the bins.
#include "analysis/FftAnalyser.h"
#include "analysis/MonitorRing.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace quavril;

namespace {

// `frames` frames of a mono sine of `hz` at `db` dBFS as 16-bit bytes, read back from a ring.
std::vector<float> SineThroughRing(double fs, double hz, double db, int frames,
                                   double phase = 0.3) {
    const double amplitude = std::pow(10.0, db / 20);
    std::vector<uint8_t> bytes(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i)
        EncodeSample(&bytes[static_cast<size_t>(i) * 2], SampleFormat::S16,
                     amplitude * std::sin(2 * std::numbers::pi * hz * i / fs + phase));
    MonitorRing ring;
    ring.Append(bytes.data(), static_cast<int32_t>(bytes.size()), 1, SampleFormat::S16);
    std::vector<float> out(static_cast<size_t>(frames));
    ring.Read(0, ring.Written(), frames, out.data());
    return out;
}

// Some tones lie on a bin, others half way between two (where the Blackman-Harris window loses
// 0.83 dB that the readout must give back).
TEST(PeakReadout, readsTheFrequencyWithinHalfABinAndTheLevelWithinATenthOfADecibel) {
    const struct {
        double Fs;
        int Size;
        double Hz, Db;
    } tones[] = {{48000, 8192, 1000, -20},
                 {48000, 8192, 170.5 * 48000 / 8192, -20},
                 {44100, 16384, 1000, -20},
                 {11025, 8192, 440.3, -6},
                 {8000, 32768, 3999.0 - 0.5 * 8000 / 32768, -40},
                 {96000, 65536, 15000.7, -20},
                 {192000, 65536, 50.3, -12},
                 {192000, 8192, 40000.0 + 0.5 * 192000 / 8192, -3},
                 {22050, 65536, 10.5, -20},
                 {48000, 65536, 19999.9, -60}};
    for (const auto& t : tones) {
        FftAnalyser spectrum(t.Size);
        const std::vector<float> signal = SineThroughRing(t.Fs, t.Hz, t.Db, t.Size);
        spectrum.Analyse(signal.data());
        const auto peak = spectrum.StrongestPeak(t.Fs);
        ASSERT_TRUE(peak.has_value()) << t.Hz;
        EXPECT_LE(std::fabs(peak->FrequencyHz - t.Hz), t.Fs / t.Size / 2) << t.Hz;
        EXPECT_NEAR(peak->LevelDb, t.Db, 0.1) << t.Hz;
    }
}

// Averaging weighs a new analysis by 1/8 of the power: after a tone, one analysis of silence
// leaves the tone 10 log10(7/8) dB lower.
TEST(SpectrumAveraging, aNewAnalysisWeighsAnEighthOfThePower) {
    for (const bool averaging : {false, true}) {
        FftAnalyser spectrum(8192);
        spectrum.SetAveraging(averaging);
        const std::vector<float> tone = SineThroughRing(48000, 1500, -20, 8192);
        const std::vector<float> silence(8192, 0.0f);
        spectrum.Analyse(tone.data());
        spectrum.Analyse(silence.data());
        const auto peak = spectrum.StrongestPeak(48000);
        ASSERT_TRUE(peak.has_value());
        if (averaging) {
            EXPECT_NEAR(peak->FrequencyHz, 1500, 48000.0 / 8192 / 2);
        }
        // Without averaging only silence is left: the floor.
        EXPECT_NEAR(peak->LevelDb,
                    averaging ? -20 + 10 * std::log10(7.0 / 8.0) : FftAnalyser::FloorDb, 0.1);
    }
}

TEST(SpectrumSizes, anyRequestBecomesAPowerOfTwoInRange) {
    const int cases[][2] = {{100, 8192},    {8192, 8192},   {10000, 8192},
                            {16384, 16384}, {65536, 65536}, {1 << 20, 65536}};
    for (const auto& c : cases)
        EXPECT_EQ(FftAnalyser::ValidSize(c[0]), c[1]) << c[0];
}

// On a logarithmic axis a bin's level lands in the column holding its frequency; columns
// between two bins (the low end) take the level interpolated between them.
TEST(SpectrumColumnsTest, aBinLandsInItsColumnAndColumnsBetweenBinsInterpolate) {
    std::vector<double> power(4097, 1e-10); // -100 dB
    const double binHz = 48000.0 / 8192;
    power[171] = 1e-2;                // 1001.95 Hz, -20 dB
    power[2] = 1e-4, power[3] = 1e-6; // 11.7 and 17.6 Hz, -40 and -60 dB
    std::vector<float> columns;
    SpectrumColumns(power, binHz, 10, 24000, 780, columns);
    ASSERT_EQ(columns.size(), 780u);
    const double perColumn = std::log(24000.0 / 10) / 780;
    const auto columnOf = [&](double hz) {
        return static_cast<size_t>(std::log(hz / 10) / perColumn);
    };
    EXPECT_NEAR(columns[columnOf(171 * binHz)], -20.0f, 1e-4);
    EXPECT_NEAR(columns[columnOf(1200)], -100.0f, 1e-4);
    const float between = columns[columnOf(14.6)];
    EXPECT_LT(between, -40.0f);
    EXPECT_GT(between, -60.0f);
}

} // namespace
