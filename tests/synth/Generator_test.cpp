#include "synth/Generator.h"
#include "synth/Oscillator.h"
#include "synth/SimdLevel.h"
#include "tests/support/GeneratorTestAccess.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace quavril;

namespace {

struct RecordingHost : GeneratorHost {
    bool playing = false;
    int stops = 0;
    int performanceReports = 0;
    bool displayVisible = false;
    std::vector<std::string> displayTexts;
    std::vector<TextField> nyquist;
    std::vector<std::string> invalidNumbers;
    bool acknowledge = true;

    bool OutputPlaying() const override { return playing; }
    void StopOutputNow() override {
        ++stops;
        playing = false;
    }
    void ReportPerformanceIssue() override { ++performanceReports; }
    void AcknowledgeRender(GeneratorState& s) override {
        if (acknowledge)
            s.RenderAcknowledged = true;
    }
    bool DisplayVisible() const override { return displayVisible; }
    void ShowFrequencyText(const std::string& t) override { displayTexts.push_back(t); }
    void ShowNyquistMessage(TextField f) override { nyquist.push_back(f); }
    void ShowInvalidNumber(const std::string& t) override { invalidNumbers.push_back(t); }
};

struct GeneratorTest : ::testing::Test {
    RecordingHost host;
    Generator g{&host};

    void Rate(int fs) { g.SetSampleRate(fs); }
    void Sweep(Channel c, const std::string& from, const std::string& to, bool log) {
        g.SetFlag(ConstantOf(c), false);
        g.SetFlag(LogarithmicOf(c), log);
        g.SetText(fInitOf(c), from);
        g.SetText(fFinalOf(c), to);
    }
    double Hz(Channel c) const {
        return g.State().Of(c).Increment * g.SampleRate() / (2 * std::numbers::pi);
    }
    std::vector<int16_t> Fill(int32_t bytes, bool* result = nullptr, int32_t* size = nullptr) {
        std::vector<uint8_t> buf(bytes, 0xAA);
        int32_t s = bytes;
        const bool r = g.FillBuffer(buf.data(), s);
        if (result)
            *result = r;
        if (size)
            *size = s;
        std::vector<int16_t> samples(bytes / 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<int16_t>(buf[2 * i] | (buf[2 * i + 1] << 8));
        return samples;
    }
    void Start() {
        ASSERT_TRUE(g.ResetGenerator(false));
        g.AcknowledgeRender();
    }
};

} // namespace

// --- Oscillators -----------------------------------------------------------------------------

TEST_F(GeneratorTest, sineStartsOneSampleIntoThePeriod) {
    Rate(48000);
    g.SetText(TextField::fInitLeft, "1000");
    Start();
    EXPECT_EQ(g.NextSample(Channel::Left, SINE), 4277); // Round(sin(2pi/48) * 32767)
}

TEST_F(GeneratorTest, rightChannelLeadsByThePhaseOffset) {
    Rate(48000);
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetText(TextField::fInitLeft, "1000");
    g.SetText(TextField::fInitRight, "1000");
    g.SetText(TextField::PhaseEdit, "90");
    Start();
    EXPECT_EQ(g.NextSample(Channel::Left, SINE), 4277);
    EXPECT_EQ(g.NextSample(Channel::Right, SINE), 32487);
}

TEST_F(GeneratorTest, squareTakesOnlyFullScaleValuesAndStartsPositive) {
    Rate(44100);
    g.SetText(TextField::fInitLeft, "997");
    Start();
    EXPECT_EQ(g.NextSample(Channel::Left, SQUARE), 32767);
    for (int i = 0; i < 5000; ++i) {
        const auto v = g.NextSample(Channel::Left, SQUARE);
        ASSERT_TRUE(v == 32767 || v == -32767) << v;
    }
}

TEST_F(GeneratorTest, triangleReachesFullScaleOnlyWhereTheFloatSineIsOne) {
    Rate(44100);
    g.SetText(TextField::fInitLeft, "1");
    Start();
    int64_t top = 0, belowTop = 0;
    for (int i = 0; i < 44100; ++i) {
        const auto v = std::abs(g.NextSample(Channel::Left, TRIANGULAR));
        top = std::max(top, v);
        if (v < 32767)
            belowTop = std::max(belowTop, v);
    }
    EXPECT_EQ(top, 32767);
    // The 32-bit sine just below 1 maps to about 0.99978 of full scale.
    EXPECT_EQ(belowTop, 32760);
}

TEST_F(GeneratorTest, sawtoothRisesOncePerPeriodFromMinusOneToOne) {
    Rate(48000);
    g.SetText(TextField::fInitLeft, "1000");
    Start();
    std::vector<int64_t> v;
    for (int i = 0; i < 96; ++i)
        v.push_back(g.NextSample(Channel::Left, SAWTOOTH));
    EXPECT_EQ(v[0], 1365); // 2/48 of full scale
    int drops = 0;
    for (size_t i = 1; i < v.size(); ++i)
        if (v[i] < v[i - 1])
            ++drops;
    EXPECT_EQ(drops, 2);
    EXPECT_LE(*std::max_element(v.begin(), v.end()), 32767);
    EXPECT_GE(*std::min_element(v.begin(), v.end()), -32767);
}

TEST_F(GeneratorTest, pulsesIgnoreLevelAndFireAtTheFirstFrameOnly) {
    Rate(44100);
    g.SetText(TextField::AmplitudeLeft, "-100");
    Start();
    EXPECT_EQ(g.NextSample(Channel::Left, PULSEPOS), 32767);
    EXPECT_EQ(g.NextSample(Channel::Left, PULSENEG), -32767); // counter still 0
    test::MutableState(g).SampleCounter = 1;
    EXPECT_EQ(g.NextSample(Channel::Left, PULSEPOS), 0);
    EXPECT_EQ(g.NextSample(Channel::Left, SILENCE), 0);
}

TEST_F(GeneratorTest, silenceKeepsTheOscillatorRunning) {
    Rate(48000);
    g.SetText(TextField::fInitLeft, "1000");
    Start();
    for (int i = 0; i < 10; ++i)
        g.NextSample(Channel::Left, SILENCE);
    // The increment carries the 32-bit InitNorm, hence the tolerance.
    EXPECT_NEAR(g.State().Of(Channel::Left).Phase, 10 * 2 * std::numbers::pi / 48, 1e-6);
}

TEST_F(GeneratorTest, noiseSequenceIsTheSameInEveryRun) {
    RecordingHost otherHost;
    Generator other(&otherHost);
    Start();
    ASSERT_TRUE(other.ResetGenerator(false));
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(g.NextSample(Channel::Left, WHITE), other.NextSample(Channel::Left, WHITE));
    // The first draw of a fresh generator: seed 1, r = 2^-32, sample Round((2r - 1) * 32767).
    Generator fresh;
    fresh.ResetGenerator(false);
    EXPECT_EQ(fresh.NextSample(Channel::Left, WHITE), -32767);
    EXPECT_EQ(fresh.State().NoiseSeed, 1u);
}

TEST(PinkNoise, rowsRefreshOnTheirBitPatterns) {
    std::array<float, 13> rows{};
    uint32_t seed = 0;
    PinkNoise(0, rows, seed);
    EXPECT_EQ(seed, 1u) << "n = 0 refreshes row 0 only";
    uint32_t before = seed;
    PinkNoise(238, rows, seed); // rows 0, 2 (& 3 = 2), 4 (& 15 = 14) and 9 (& 255 = 238)
    uint32_t expect = before;
    for (int i = 0; i < 4; ++i)
        expect = expect * 134775813u + 1u;
    EXPECT_EQ(seed, expect);
    before = seed;
    PinkNoise(238 + 256, rows, seed); // row 9 again after 256 frames, not 512
    expect = before;
    for (int i = 0; i < 4; ++i)
        expect = expect * 134775813u + 1u;
    EXPECT_EQ(seed, expect);
    const float v = PinkNoise(5, rows, seed);
    EXPECT_GE(v, -1.0f);
    EXPECT_LE(v, 1.0f);
}

// --- Sweeps ----------------------------------------------------------------------------------

TEST_F(GeneratorTest, logarithmicSweepFactorHas32BitPrecision) {
    Rate(44100);
    g.SetText(TextField::Duration, "10");
    Sweep(Channel::Left, "20", "20000", true);
    Start();
    const ChannelState& s = g.State().Of(Channel::Left);
    EXPECT_EQ(g.State().TotalSamples, 441000);
    EXPECT_EQ(s.SweepFactor, 1.0000156164169312f);
    EXPECT_EQ(s.SweepStep, 0.0f);
    for (int i = 0; i < 441000 - 1; ++i)
        g.NextSample(Channel::Left, SINE);
    EXPECT_NEAR(Hz(Channel::Left), 19585, 1.0);
}

TEST_F(GeneratorTest, sweepsFrom100HzTo1kHzEndAsTheirWidthsAllow) {
    Rate(44100);
    Sweep(Channel::Left, "100", "1000", true);
    Start();
    for (int i = 0; i < 220500 - 1; ++i)
        g.NextSample(Channel::Left, SINE);
    EXPECT_NEAR(Hz(Channel::Left), 1010.6, 0.05);

    g.SetFlag(FlagField::LogarithmicLeft, false);
    Start();
    EXPECT_EQ(g.State().Of(Channel::Left).SweepFactor, 1.0f);
    for (int i = 0; i < 220500 - 1; ++i)
        g.NextSample(Channel::Left, SINE);
    EXPECT_NEAR(Hz(Channel::Left), 1000.0, 0.001);
}

TEST_F(GeneratorTest, constantToneGlidesToANewFrequency) {
    Rate(44100);
    g.SetText(TextField::fInitLeft, "1000");
    Start();
    host.playing = true;
    g.SetText(TextField::fInitLeft, "2000");
    EXPECT_NEAR(Hz(Channel::Left), 1000, 1e-3) << "the increment is not touched";
    for (int i = 0; i < 200; ++i)
        g.NextSample(Channel::Left, SINE);
    EXPECT_NEAR(Hz(Channel::Left), 1633, 1.0);
    for (int i = 200; i < 919; ++i)
        g.NextSample(Channel::Left, SINE);
    EXPECT_NEAR(Hz(Channel::Left), 2000, 10.0);
    EXPECT_EQ(host.stops, 0);
}

TEST_F(GeneratorTest, invalidFrequencyIsRefusedAndStopsAPlayingOutput) {
    Rate(44100);
    g.SetText(TextField::fInitLeft, "440");
    const ChannelState before = g.State().Of(Channel::Left);
    g.SetText(TextField::fFinalLeft, "30000"); // unused in constant mode, still checked
    EXPECT_EQ(host.stops, 0) << "not playing: nothing to stop";
    host.playing = true;
    EXPECT_EQ(g.DeriveSweep(Channel::Left), DeriveResult::Invalid);
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(g.State().Of(Channel::Left).InitNorm, before.InitNorm);
}

TEST_F(GeneratorTest, unreadableTextsStopTheOutputEvenWhenIdle) {
    g.SetText(TextField::fInitLeft, "");
    EXPECT_EQ(host.stops, 1);
    g.SetText(TextField::fInitLeft, "100");
    g.SetText(TextField::Duration, "five");
    EXPECT_EQ(host.stops, 2);
    EXPECT_EQ(g.DeriveSweep(Channel::Left), DeriveResult::Failed);
}

TEST_F(GeneratorTest, aOneFrameSweepFailsInsteadOfDividingByZero) {
    Rate(44100);
    Sweep(Channel::Left, "100", "1000", true);
    test::MutableState(g).FillBusy = true;
    g.SetText(TextField::Duration, "0.00002"); // Round(0.882) = 1 frame
    EXPECT_EQ(g.State().TotalSamples, 1);
    EXPECT_EQ(g.DeriveSweep(Channel::Left), DeriveResult::Failed);
    EXPECT_TRUE(g.State().FillBusy) << "a failed derivation leaves the flag";
    g.SetText(TextField::Duration, "1");
    EXPECT_FALSE(g.State().FillBusy) << "a successful one clears it";
}

TEST_F(GeneratorTest, logarithmicClickRestartsTheSharedCounter) {
    Rate(44100);
    Sweep(Channel::Left, "100", "1000", false);
    Start();
    for (int i = 0; i < 100; ++i)
        g.NextSample(Channel::Left, SINE);
    test::MutableState(g).SampleCounter = 100;
    g.SetFlag(FlagField::LogarithmicLeft, true);
    EXPECT_EQ(g.State().SampleCounter, 0);
    EXPECT_NEAR(Hz(Channel::Left), 100, 1e-3);
    EXPECT_GT(g.State().Of(Channel::Left).SweepFactor, 1.0f);
}

TEST_F(GeneratorTest, bidirectionalLoopSweepsBackWithoutAJump) {
    Rate(8000);
    g.SetText(TextField::Duration, "1");
    g.SetFlag(FlagField::Loop, true);
    g.SetFlag(FlagField::BidirectionalLeft, true);
    Sweep(Channel::Left, "100", "1000", false);
    Start();
    host.displayVisible = true;
    for (int i = 0; i < 8; ++i)
        Fill(4000); // 2000 frames each: two periods of 8000
    ASSERT_EQ(host.displayTexts.size(), 8u);
    EXPECT_EQ(host.displayTexts[0], "100 Hz");
    EXPECT_EQ(host.displayTexts[4], "1000 Hz"); // after 4000 frames the turn; no jump
    EXPECT_LT(std::stoi(host.displayTexts[7]), std::stoi(host.displayTexts[5]));
    EXPECT_GT(g.State().Of(Channel::Left).SweepStep, 0.0f) << "two turns restore the step";
}

TEST_F(GeneratorTest, loopWithoutBidirectionalJumpsBackToTheStart) {
    Rate(8000);
    g.SetText(TextField::Duration, "1");
    g.SetFlag(FlagField::Loop, true);
    Sweep(Channel::Left, "100", "1000", true);
    Start();
    for (int i = 0; i < 7999; ++i)
        g.NextSample(Channel::Left, SINE);
    test::MutableState(g).SampleCounter = 7999;
    Fill(2); // the last frame of the period, then the turn
    EXPECT_EQ(g.State().SampleCounter, 0);
    EXPECT_NEAR(Hz(Channel::Left), 100, 1e-3);
}

// --- Amplitude and modulation -----------------------------------------------------------------

TEST_F(GeneratorTest, minus20dBFSPeaksAt3277) {
    Rate(48000);
    g.SetText(TextField::fInitLeft, "1000");
    g.SetText(TextField::AmplitudeLeft, "-20");
    EXPECT_EQ(g.State().Of(Channel::Left).AmplitudeGain, 0.100000001490116f);
    Start();
    int64_t peak = 0;
    for (int i = 0; i < 480; ++i)
        peak = std::max(peak, g.NextSample(Channel::Left, SINE));
    EXPECT_EQ(peak, 3277);
}

TEST_F(GeneratorTest, fractionalAmplitudeKeepsTheLevelUntilExit) {
    g.SetText(TextField::AmplitudeLeft, "-6");
    const float sixDb = g.State().Of(Channel::Left).AmplitudeGain;
    EXPECT_NEAR(sixDb, 0.501187f, 1e-6);
    g.SetText(TextField::AmplitudeLeft, "-3.5");
    EXPECT_EQ(g.State().Of(Channel::Left).AmplitudeGain, sixDb);
    g.ExitEdit(TextField::AmplitudeLeft);
    EXPECT_EQ(g.Text(TextField::AmplitudeLeft), "-4");
    EXPECT_EQ(g.Index(IndexField::barAmplitudeLeft), 4);
    EXPECT_NEAR(g.State().Of(Channel::Left).AmplitudeGain, 0.630957f, 1e-6);
}

TEST_F(GeneratorTest, sineModulationEnvelopeAtFullDepth) {
    Rate(48000);
    g.SetFlag(FlagField::ModulationOnLeft, true);
    g.SetIndex(IndexField::ModFunctionLeft, MODSINE);
    Start();
    test::MutableState(g).SampleCounter = 12000; // t = 0.25 s
    g.NextSample(Channel::Left, SINE);
    EXPECT_EQ(g.State().Of(Channel::Left).ModGain, 0.0f);
    test::MutableState(g).SampleCounter = 36000; // t = 0.75 s
    g.NextSample(Channel::Left, SINE);
    EXPECT_EQ(g.State().Of(Channel::Left).ModGain, 1.0f);
    test::MutableState(g).SampleCounter = 0;
    g.NextSample(Channel::Left, SINE);
    EXPECT_EQ(g.State().Of(Channel::Left).ModGain, 0.5f);
}

TEST_F(GeneratorTest, zeroDepthNeverModulates) {
    g.SetFlag(FlagField::ModulationOnLeft, true);
    g.SetText(TextField::ModDepthLeftEdit, "0");
    Start();
    for (int shape = MODSINE; shape <= MODTRIANGLE; ++shape) {
        g.SetIndex(IndexField::ModFunctionLeft, shape);
        for (int n = 0; n < 44100; n += 997) {
            test::MutableState(g).SampleCounter = n;
            g.NextSample(Channel::Left, SINE);
            ASSERT_EQ(g.State().Of(Channel::Left).ModGain, 1.0f);
        }
    }
}

TEST_F(GeneratorTest, squareModulationAlternatesBetweenHalfAndFull) {
    Rate(48000);
    g.SetFlag(FlagField::ModulationOnLeft, true);
    g.SetIndex(IndexField::ModFunctionLeft, MODSQUARE);
    g.SetText(TextField::ModDepthLeftEdit, "50");
    Start();
    for (int n : {0, 1000, 23999}) {
        test::MutableState(g).SampleCounter = n;
        g.NextSample(Channel::Left, SINE);
        EXPECT_EQ(g.State().Of(Channel::Left).ModGain, 0.5f) << n;
    }
    for (int n : {24001, 30000, 47999}) {
        test::MutableState(g).SampleCounter = n;
        g.NextSample(Channel::Left, SINE);
        EXPECT_EQ(g.State().Of(Channel::Left).ModGain, 1.0f) << n;
    }
}

TEST_F(GeneratorTest, sineAtNinetyDegreesEqualsCosine) {
    Generator cosine;
    g.SetFlag(FlagField::ModulationOnLeft, true);
    g.SetIndex(IndexField::ModFunctionLeft, MODSINE);
    g.SetText(TextField::ModPhaseLeftEdit, "90");
    cosine.SetFlag(FlagField::ModulationOnLeft, true);
    cosine.SetIndex(IndexField::ModFunctionLeft, MODCOS);
    Start();
    cosine.ResetGenerator(false);
    for (int n = 0; n < 44100; n += 441) {
        test::MutableState(g).SampleCounter = test::MutableState(cosine).SampleCounter = n;
        g.NextSample(Channel::Left, SINE);
        cosine.NextSample(Channel::Left, SINE);
        ASSERT_NEAR(g.State().Of(Channel::Left).ModGain, cosine.State().Of(Channel::Left).ModGain,
                    1e-6);
    }
}

TEST_F(GeneratorTest, depthAbove100InvertsUntilTheExitClamps) {
    g.SetText(TextField::ModDepthLeftEdit, "150");
    EXPECT_EQ(g.State().Of(Channel::Left).ModDepthFraction, 1.5f);
    g.ExitEdit(TextField::ModDepthLeftEdit);
    EXPECT_EQ(g.Text(TextField::ModDepthLeftEdit), "100");
    EXPECT_EQ(g.State().Of(Channel::Left).ModDepthFraction, 1.0f);
}

TEST_F(GeneratorTest, zeroModulationPeriodStartsAsOneSecond) {
    Generator reference;
    for (Generator* x : {&g, &reference}) {
        x->SetSampleRate(8000);
        x->SetFlag(FlagField::ModulationOnLeft, true);
        x->SetIndex(IndexField::ModFunctionLeft, MODSINE);
    }
    g.SetText(TextField::ModPeriodLeftEdit, "0");
    EXPECT_EQ(host.stops, 0) << "a period of 0 is only refused while playing";
    Start();
    reference.ResetGenerator(false);
    for (int i = 0; i < 8000; ++i) {
        test::MutableState(g).SampleCounter = test::MutableState(reference).SampleCounter = i;
        ASSERT_EQ(g.NextSample(Channel::Left, SINE), reference.NextSample(Channel::Left, SINE));
    }
}

TEST_F(GeneratorTest, zeroModulationPeriodWhilePlayingStopsAndResets) {
    host.playing = true;
    g.SetText(TextField::ModPeriodLeftEdit, "0");
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(g.Text(TextField::ModPeriodLeftEdit), "1");
    EXPECT_EQ(g.State().Of(Channel::Left).ModPeriodSeconds, 1.0f);
}

TEST_F(GeneratorTest, aNewSampleRateDerivesBothChannelsAgain) {
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetText(TextField::fInitLeft, "1000");
    g.SetText(TextField::fInitRight, "3000");
    g.SetText(TextField::Duration, "2");
    Sweep(Channel::Right, "3000", "5000", false);
    g.SetSampleRate(48000);
    EXPECT_EQ(g.SampleRate(), 48000);
    EXPECT_EQ(g.State().TotalSamples, 96000);
    EXPECT_EQ(g.State().Of(Channel::Left).InitNorm, static_cast<float>(1000.0L / 48000));
    EXPECT_EQ(g.State().Of(Channel::Right).FinalNorm, static_cast<float>(5000.0L / 48000));
    // Below the right channel's final frequency: that channel keeps what it had, the left one
    // follows, and a playing output stops.
    host.playing = true;
    g.SetSampleRate(8000);
    EXPECT_EQ(g.State().Of(Channel::Left).InitNorm, static_cast<float>(1000.0L / 8000));
    EXPECT_EQ(g.State().Of(Channel::Right).FinalNorm, static_cast<float>(5000.0L / 48000));
    EXPECT_EQ(host.stops, 1);
}

// --- Exit handlers and reset ------------------------------------------------------------------

TEST_F(GeneratorTest, exitHandlersRewriteTheirTexts) {
    g.SetText(TextField::ModPeriodLeftEdit, "0.0004");
    g.ExitEdit(TextField::ModPeriodLeftEdit);
    EXPECT_EQ(g.Text(TextField::ModPeriodLeftEdit), "0");
    g.SetText(TextField::ModPeriodLeftEdit, "x");
    g.ExitEdit(TextField::ModPeriodLeftEdit);
    EXPECT_EQ(g.Text(TextField::ModPeriodLeftEdit), "1");
    EXPECT_EQ(g.State().Of(Channel::Left).ModPeriodSeconds, 1.0f);

    g.SetText(TextField::PhaseEdit, "33.333");
    g.ExitEdit(TextField::PhaseEdit);
    EXPECT_EQ(g.Text(TextField::PhaseEdit), "33.33");
    g.SetText(TextField::PhaseEdit, "400");
    g.ExitEdit(TextField::PhaseEdit);
    EXPECT_EQ(g.Text(TextField::PhaseEdit), "400");
    g.SetText(TextField::PhaseEdit, "?");
    g.ExitEdit(TextField::PhaseEdit);
    EXPECT_EQ(g.Text(TextField::PhaseEdit), "0");
    EXPECT_EQ(g.State().PhaseOffset, 0.0f);

    g.SetText(TextField::ModPhaseLeftEdit, "-10");
    g.ExitEdit(TextField::ModPhaseLeftEdit);
    EXPECT_EQ(g.Text(TextField::ModPhaseLeftEdit), "0");
}

TEST_F(GeneratorTest, leavingAFrequencyAboveNyquistWarnsAndClamps) {
    Rate(44100);
    g.SetText(TextField::fInitLeft, "30000");
    g.ExitEdit(TextField::fInitLeft);
    ASSERT_EQ(host.nyquist.size(), 1u);
    EXPECT_EQ(host.nyquist[0], TextField::fInitLeft);
    EXPECT_EQ(g.Text(TextField::fInitLeft), "22050");
    g.SetText(TextField::fInitLeft, "1000.12345");
    g.ExitEdit(TextField::fInitLeft);
    EXPECT_EQ(g.Text(TextField::fInitLeft), "1000.12347");
}

TEST_F(GeneratorTest, leavingAnUnreadableFrequencyKeepsItsText) {
    g.SetText(TextField::fFinalRight, "12k");
    g.ExitEdit(TextField::fFinalRight);
    ASSERT_EQ(host.invalidNumbers.size(), 1u);
    EXPECT_EQ(host.invalidNumbers[0], "12k");
    EXPECT_EQ(g.Text(TextField::fFinalRight), "12k");
    EXPECT_TRUE(host.nyquist.empty());
}

TEST_F(GeneratorTest, durationExitAlsoNormalisesBothInitialFrequencies) {
    Rate(8000);
    g.SetText(TextField::Duration, "0");
    g.SetText(TextField::fInitRight, "5000");
    g.ExitEdit(TextField::Duration);
    EXPECT_EQ(g.Text(TextField::Duration), "0.1");
    EXPECT_EQ(g.Text(TextField::fInitRight), "4000");
    EXPECT_EQ(g.State().TotalSamples, 800);
}

TEST_F(GeneratorTest, exportResetStartsTheRightSawtoothAtThePhase) {
    g.SetText(TextField::PhaseEdit, "270");
    ASSERT_TRUE(g.ResetGenerator(true));
    EXPECT_EQ(g.State().Of(Channel::Right).SawValue, -0.5f);
    ASSERT_TRUE(g.ResetGenerator(false));
    EXPECT_EQ(g.State().Of(Channel::Right).SawValue, 0.0f);
    g.SetText(TextField::PhaseEdit, "ninety");
    EXPECT_FALSE(g.ResetGenerator(true));
}

TEST_F(GeneratorTest, resetValidatesTheAmplitudes) {
    g.SetText(TextField::AmplitudeRight, "-2.5");
    g.ResetGenerator(false);
    EXPECT_EQ(g.Text(TextField::AmplitudeRight), "-2");
    EXPECT_EQ(g.Index(IndexField::barAmplitudeRight), 2);
}

TEST_F(GeneratorTest, monoTicksBothChannelsAndClearsThePhase) {
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetFlag(FlagField::RightTick, false);
    g.SetText(TextField::PhaseEdit, "45");
    EXPECT_EQ(g.State().Of(Channel::Right).ChannelEnable, 0);
    g.SetIndex(IndexField::cboChannels, MONO);
    g.ChannelsChange();
    EXPECT_TRUE(g.Flag(FlagField::RightTick));
    EXPECT_EQ(g.State().Of(Channel::Right).ChannelEnable, 1);
    EXPECT_EQ(g.Text(TextField::PhaseEdit), "0");
}

TEST_F(GeneratorTest, bothChannelsOffStopsTheOutput) {
    host.playing = true;
    g.SetFlag(FlagField::Lefttick, false);
    EXPECT_EQ(host.stops, 0);
    g.SetFlag(FlagField::RightTick, false);
    EXPECT_EQ(host.stops, 1);
}

// --- Buffer rendering -------------------------------------------------------------------------

TEST_F(GeneratorTest, monoSignalEndsInsideItsThirdBuffer) {
    Rate(44100);
    g.SetText(TextField::Duration, "0.1"); // 4410 frames
    g.SetIndex(IndexField::WaveFormLeft, PULSEPOS);
    Start();
    bool more = false;
    int32_t size = 0;
    auto first = Fill(4096, &more, &size);
    EXPECT_TRUE(more);
    EXPECT_EQ(size, 4096);
    EXPECT_EQ(first[0], 32767);
    Fill(4096, &more, &size);
    EXPECT_TRUE(more);
    g.SetText(TextField::fInitLeft, "997");
    g.SetIndex(IndexField::WaveFormLeft, SINE);
    auto third = Fill(4096, &more, &size);
    // The buffer with the last frames is played, shortened to them.
    EXPECT_TRUE(more);
    EXPECT_EQ(size, (4410 - 4096) * 2);
    EXPECT_NE(third[313], 0);
    EXPECT_TRUE(std::all_of(third.begin() + 314, third.end(), [](int16_t s) { return s == 0; }));
    EXPECT_EQ(g.State().SampleCounter, 6144);
    Fill(4096, &more, &size);
    EXPECT_FALSE(more);
    EXPECT_EQ(size, 0);
}

TEST_F(GeneratorTest, loopingSignalRestartsItsPeriod) {
    Rate(44100);
    g.SetText(TextField::Duration, "0.1");
    g.SetFlag(FlagField::Loop, true);
    g.SetIndex(IndexField::WaveFormLeft, PULSEPOS);
    Start();
    std::vector<int16_t> stream;
    for (int i = 0; i < 5; ++i) {
        bool more = false;
        int32_t size = 0;
        auto b = Fill(4096, &more, &size);
        EXPECT_TRUE(more);
        EXPECT_EQ(size, 4096);
        stream.insert(stream.end(), b.begin(), b.end());
    }
    std::vector<size_t> pulses;
    for (size_t i = 0; i < stream.size(); ++i)
        if (stream[i] != 0)
            pulses.push_back(i);
    EXPECT_EQ(pulses, (std::vector<size_t>{0, 4410, 8820}));
}

TEST_F(GeneratorTest, shorteningALoopingPeriodStillEndsIt) {
    Rate(8000);
    g.SetText(TextField::Duration, "1");
    g.SetFlag(FlagField::Loop, true);
    Start();
    Fill(6000);                            // counter 3000
    g.SetText(TextField::Duration, "0.1"); // 800 frames, below the counter
    Fill(2);
    EXPECT_EQ(g.State().SampleCounter, 0);
    Fill(1600);
    EXPECT_EQ(g.State().SampleCounter, 0);
}

TEST_F(GeneratorTest, stereoUntickedChannelIsSilentButRunsOn) {
    Rate(48000);
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetText(TextField::fInitLeft, "1000");
    g.SetText(TextField::fInitRight, "1000");
    g.SetFlag(FlagField::RightTick, false);
    Start();
    auto b = Fill(4 * 48);
    EXPECT_EQ(b[0], 4277);
    for (size_t i = 1; i < b.size(); i += 2)
        ASSERT_EQ(b[i], 0);
    EXPECT_EQ(g.State().Of(Channel::Right).Phase, g.State().Of(Channel::Left).Phase);
    g.SetFlag(FlagField::RightTick, true);
    auto c = Fill(4);
    EXPECT_EQ(c[1], 4277) << "resumes without a phase jump";
}

TEST_F(GeneratorTest, watchdogStopsWhenTheAcknowledgeNeverCame) {
    Start();
    host.acknowledge = false;
    bool more = true;
    Fill(400, &more);
    EXPECT_TRUE(more);
    Fill(400, &more);
    EXPECT_FALSE(more);
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(host.performanceReports, 1);
    EXPECT_FALSE(g.State().FillBusy);
}

TEST_F(GeneratorTest, reentryGuardStopsAnOverlappingFill) {
    Start();
    test::MutableState(g).FillBusy = true;
    bool more = true;
    Fill(400, &more);
    EXPECT_FALSE(more);
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(host.performanceReports, 1);
    EXPECT_FALSE(g.State().FillBusy);
}

TEST_F(GeneratorTest, displayShowsWholeHertzPerChannel) {
    Rate(44100);
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetText(TextField::fInitLeft, "1000");
    g.SetText(TextField::fInitRight, "1500");
    Start();
    Fill(400);
    EXPECT_TRUE(host.displayTexts.empty()) << "a hidden display is not touched";
    host.displayVisible = true;
    Fill(400);
    ASSERT_EQ(host.displayTexts.size(), 1u);
    EXPECT_EQ(host.displayTexts[0], "1000 Hz\r1500 Hz");
}

// --- The fast render paths against the per-sample definition ----------------------------------

namespace {
// Frame by frame through NextSample: left then right, enables in stereo, counter + 1.
std::vector<int16_t> ReferenceFrames(Generator& g, int32_t frames) {
    std::vector<int16_t> out;
    for (int32_t i = 0; i < frames; ++i) {
        const auto left =
            static_cast<int16_t>(g.NextSample(Channel::Left, g.Settings(Channel::Left).WaveForm));
        if (g.Mode() == STEREO) {
            const auto right = static_cast<int16_t>(
                g.NextSample(Channel::Right, g.Settings(Channel::Right).WaveForm));
            out.push_back(static_cast<int16_t>(left * g.State().Of(Channel::Left).ChannelEnable));
            out.push_back(static_cast<int16_t>(right * g.State().Of(Channel::Right).ChannelEnable));
        } else {
            out.push_back(left);
        }
        ++test::MutableState(g).SampleCounter;
    }
    return out;
}

void Configure(Generator& g, int mode, int left, int right, int variant) {
    g.SetSampleRate(22050);
    g.SetIndex(IndexField::cboChannels, mode);
    g.SetText(TextField::Duration, "2");
    g.SetText(TextField::fInitLeft, "440");
    g.SetText(TextField::fInitRight, "660");
    g.SetText(TextField::PhaseEdit, "30");
    g.SetIndex(IndexField::WaveFormLeft, left);
    g.SetIndex(IndexField::WaveFormRight, right);
    g.SetText(TextField::AmplitudeRight, "-6");
    if (variant == 1) { // sweeps and modulation
        g.SetFlag(FlagField::chkConstantLeft, false);
        g.SetFlag(FlagField::LogarithmicLeft, true);
        g.SetText(TextField::fFinalLeft, "5000");
        g.SetFlag(FlagField::ModulationOnRight, true);
        g.SetIndex(IndexField::ModFunctionRight, MODTRIANGLE);
        g.SetText(TextField::ModPeriodRightEdit, "0.01");
    }
    if (variant == 2) { // a glide in progress and an unticked channel
        g.ResetGenerator(true);
        g.SetText(TextField::fInitLeft, "880");
        g.SetFlag(FlagField::RightTick, false);
    }
}
} // namespace

namespace {
// The fast paths at one vector level; every level must give the same bits.
struct GeneratorRender : ::testing::TestWithParam<SimdLevel> {
    SimdLevel before = ActiveSimdLevel();
    void SetUp() override { ASSERT_EQ(SetSimdLevel(GetParam()), GetParam()); }
    void TearDown() override { SetSimdLevel(before); }
};
std::string LevelName(const ::testing::TestParamInfo<SimdLevel>& info) {
    return SimdLevelName(info.param);
}
} // namespace

INSTANTIATE_TEST_SUITE_P(EveryLevel, GeneratorRender, ::testing::ValuesIn(AvailableSimdLevels()),
                         LevelName);

TEST_P(GeneratorRender, everyWaveformPairMatchesTheSampleBySampleDefinition) {
    for (int mode : {MONO, STEREO})
        for (int left = SINE; left <= PULSENEG; ++left)
            for (int right : {SINE, WHITE, PINK, SAWTOOTH})
                for (int variant = 0; variant < 3; ++variant) {
                    Generator fast, reference;
                    Configure(fast, mode, left, right, variant);
                    Configure(reference, mode, left, right, variant);
                    if (variant != 2) {
                        fast.ResetGenerator(true);
                        reference.ResetGenerator(true);
                    }
                    std::vector<int16_t> out(3000 * 2);
                    fast.RenderFrames(out.data(), 3000);
                    out.resize(mode == STEREO ? 6000 : 3000);
                    ASSERT_EQ(out, ReferenceFrames(reference, 3000))
                        << "mode " << mode << " left " << left << " right " << right << " variant "
                        << variant;
                    ASSERT_EQ(fast.State().NoiseSeed, reference.State().NoiseSeed);
                    ASSERT_EQ(fast.State().PinkRows, reference.State().PinkRows);
                    ASSERT_EQ(fast.State().Of(Channel::Left).Phase,
                              reference.State().Of(Channel::Left).Phase);
                }
}

TEST_P(GeneratorRender, everyModulationShapeMatchesTheSampleBySampleDefinition) {
    for (int shape = MODSINE; shape <= MODTRIANGLE + 1; ++shape)
        for (int wave : {SINE, SQUARE}) {
            Generator fast, reference;
            for (Generator* g : {&fast, &reference}) {
                g->SetSampleRate(8000);
                g->SetIndex(IndexField::cboChannels, STEREO);
                g->SetIndex(IndexField::WaveFormLeft, wave);
                g->SetIndex(IndexField::WaveFormRight, wave);
                g->SetText(TextField::fInitLeft, "300");
                g->SetFlag(FlagField::ModulationOnLeft, true);
                g->SetFlag(FlagField::ModulationOnRight, true);
                g->SetIndex(IndexField::ModFunctionLeft, shape); // 4: not a shape
                g->SetIndex(IndexField::ModFunctionRight, (shape + 2) % 4);
                g->SetText(TextField::ModPeriodLeftEdit, "0.0137");
                g->SetText(TextField::ModPhaseRightEdit, "33");
                g->SetText(TextField::ModDepthRightEdit, "70");
                g->ResetGenerator(true);
            }
            std::vector<int16_t> out(2 * 1000);
            fast.RenderFrames(out.data(), 1000);
            ASSERT_EQ(out, ReferenceFrames(reference, 1000))
                << "shape " << shape << " wave " << wave;
            ASSERT_EQ(fast.State().Of(Channel::Left).ModGain,
                      reference.State().Of(Channel::Left).ModGain);
        }
}

// --- Periods of any length ------------------------------------------------------------------

namespace {
struct DurationCase {
    const char* Duration;
    int32_t Rate;
    DeriveResult Result;
    int64_t Frames; // the period after the derivation (the previous one, 1 s, when refused)
};

class DurationDerivation : public GeneratorTest,
                           public ::testing::WithParamInterface<DurationCase> {};
} // namespace

// A period is derived as long as typed, in 64 bits; one shorter than a frame is a failure that
// keeps the last period and stops the output.
TEST_P(DurationDerivation, periodIsAsLongAsTypedAndNeverUnderOneFrame) {
    const DurationCase& c = GetParam();
    Rate(c.Rate);
    g.SetText(TextField::Duration, "1");
    ASSERT_EQ(g.State().TotalSamples, c.Rate);
    const int stops = host.stops;
    g.SetText(TextField::Duration, c.Duration);
    EXPECT_EQ(g.DeriveSweep(Channel::Left), c.Result);
    EXPECT_EQ(g.State().TotalSamples, c.Frames);
    EXPECT_EQ(host.stops > stops, c.Result == DeriveResult::Failed);
}

INSTANTIATE_TEST_SUITE_P(
    Durations, DurationDerivation,
    ::testing::Values(DurationCase{"0", 44100, DeriveResult::Failed, 44100},
                      DurationCase{"-2", 44100, DeriveResult::Failed, 44100},
                      DurationCase{"0.00001", 44100, DeriveResult::Failed, 44100}, // 0.441 frame
                      DurationCase{"0.00002", 44100, DeriveResult::Derived, 1},    // 0.882 frame
                      DurationCase{"123456", 44100, DeriveResult::Derived, 5444409600},
                      DurationCase{"48695", 96000, DeriveResult::Derived, 4674720000},
                      DurationCase{"1e300", 44100, DeriveResult::Failed, 44100}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

namespace {
struct LongFillCase {
    int64_t Start; // counter before the fill; negative: that many frames before the period end
    bool Loop;
};

class LongPeriodFill : public GeneratorTest, public ::testing::WithParamInterface<LongFillCase> {
protected:
    static void Configure(Generator& gen, bool loop) {
        gen.SetSampleRate(44100);
        gen.SetText(TextField::Duration, "123456"); // 5,444,409,600 frames
        gen.SetFlag(FlagField::Loop, loop);
        gen.SetFlag(FlagField::ModulationOnLeft, true); // the counter is its time base
        gen.SetIndex(IndexField::ModFunctionLeft, MODSINE);
        gen.SetText(TextField::ModPeriodLeftEdit, "0.37");
    }
};
} // namespace

// The fill path counts frames in 64 bits: across 2^31 and 2^32 every frame is what the sample
// rule gives at its counter, and the end of a long period is met exactly.
TEST_P(LongPeriodFill, framesFollowTheCounterAcrossEveryWidth) {
    const LongFillCase& c = GetParam();
    RecordingHost refHost;
    Generator ref{&refHost};
    Configure(g, c.Loop);
    Configure(ref, c.Loop);
    Start();
    ASSERT_TRUE(ref.ResetGenerator(false));
    const int64_t total = g.State().TotalSamples;
    ASSERT_EQ(total, 5444409600);
    const int64_t start = c.Start >= 0 ? c.Start : total + c.Start;
    test::MutableState(g).SampleCounter = start;

    constexpr int32_t Frames = 2048;
    bool more = false;
    int32_t size = 0;
    const std::vector<int16_t> played = Fill(2 * Frames, &more, &size);
    const int64_t signalFrames = c.Loop ? Frames : std::min<int64_t>(Frames, total - start);
    EXPECT_TRUE(more);
    EXPECT_EQ(size, 2 * signalFrames);
    const int64_t after = start + Frames;
    EXPECT_EQ(g.State().SampleCounter, c.Loop && after >= total ? after - total : after);
    for (int32_t i = 0; i < Frames; ++i) {
        int64_t n = start + i;
        if (c.Loop && n >= total)
            n -= total;
        int16_t expected = 0;
        if (n < total) {
            test::MutableState(ref).SampleCounter = n;
            expected = Low16(ref.NextSample(Channel::Left, SINE));
        }
        ASSERT_EQ(played[static_cast<size_t>(i)], expected) << "frame " << start + i;
    }
}

INSTANTIATE_TEST_SUITE_P(Counters, LongPeriodFill,
                         ::testing::Values(LongFillCase{2147483648 - 1000, false},
                                           LongFillCase{4294967296 - 1000, true},
                                           LongFillCase{-1000, false}, LongFillCase{-1000, true}),
                         [](const auto& info) {
                             return std::string(info.param.Loop ? "looping" : "once") +
                                    std::to_string(info.index);
                         });
