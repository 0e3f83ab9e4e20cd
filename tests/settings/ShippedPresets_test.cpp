#include "files/PresetFile.h"
#include "resources/presetc/PresetSource.h"
#include "settings/MemoryPresets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <vector>

namespace quavril {
namespace {

const std::string DataDir = QUAVRIL_DATA_DIR;
const std::string SourceDir = QUAVRIL_PRESET_SOURCES;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

PresetBank Shipped(const std::string& name) {
    PresetBank bank;
    const PresetFileResult r = LoadPresetFile(DataDir + "/" + name, bank);
    EXPECT_TRUE(r) << r.Error;
    return bank;
}

PresetBank FromSource(const std::string& name) {
    PresetBank bank;
    std::string error;
    EXPECT_TRUE(PresetSource::Parse(ReadText(SourceDir + "/" + name), bank, error)) << error;
    return bank;
}

// A freshly started generator at `rate` with slot n recalled, at the start of its signal.
struct Recalled {
    Generator Gen;
    Recalled(const PresetBank& bank, int n, int32_t rate = 44100) {
        Gen.SetSampleRate(rate);
        RecallSlot(Gen, bank.Slot(n));
        Gen.ResetGenerator(true);
    }
    std::vector<int16_t> Render(int32_t frames) {
        std::vector<int16_t> out(static_cast<std::size_t>(frames * Gen.ChannelCount()));
        Gen.RenderFrames(out.data(), frames);
        return out;
    }
};

int Peak(const std::vector<int16_t>& samples, int channels = 1, int channel = 0) {
    int peak = 0;
    for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += channels)
        peak = std::max(peak, std::abs(int{samples[i]}));
    return peak;
}

TEST(ShippedPresets, FilesHoldWhatTheirSourcesSay) {
    EXPECT_EQ(Shipped("Examples.qvl"), FromSource("examples.txt"));
    EXPECT_EQ(Shipped("Compatibility Test.qvl"), FromSource("compatibility-test.txt"));
}

TEST(ShippedPresets, ExamplesReferenceTone) {
    const PresetBank bank = Shipped("Examples.qvl");
    const PresetSlot& s = bank.Slot(1);
    EXPECT_EQ(s.Name, "1 kHz -20 dB");
    EXPECT_TRUE(s.Mono);
    EXPECT_EQ(s.WaveFormLeft, SINE);
    EXPECT_TRUE(s.chkConstantLeft);
    EXPECT_EQ(s.fInitLeft, "1000");
    EXPECT_EQ(s.AmplitudeLeft, "-20");
    EXPECT_EQ(s.Duration, "5");
    Recalled r(bank, 1);
    EXPECT_EQ(r.Gen.State().TotalSamples, 220500);
    EXPECT_EQ(r.Gen.ChannelCount(), 1);
    // -20 dBFS: a tenth of full scale, 3276.7.
    EXPECT_EQ(Peak(r.Render(4410)), 3277);
}

TEST(ShippedPresets, ExamplesLogarithmicSweep) {
    const PresetBank bank = Shipped("Examples.qvl");
    const PresetSlot& s = bank.Slot(2);
    EXPECT_TRUE(s.Mono);
    EXPECT_FALSE(s.chkConstantLeft);
    EXPECT_TRUE(s.LogarithmicLeft);
    EXPECT_FALSE(s.Loop);
    EXPECT_EQ(s.fInitLeft, "20");
    EXPECT_EQ(s.fFinalLeft, "20000");
    EXPECT_EQ(s.Duration, "10");
    Recalled r(bank, 2);
    const ChannelState& c = r.Gen.State().Of(Channel::Left);
    EXPECT_EQ(r.Gen.State().TotalSamples, 441000);
    // Per-sample factor 1000^(1 / 440999) of the 32-bit normalised frequencies.
    const long double expected = std::exp((std::log(static_cast<long double>(c.FinalNorm)) -
                                           std::log(static_cast<long double>(c.InitNorm))) /
                                          440999.0L);
    EXPECT_EQ(c.SweepFactor, static_cast<float>(expected));
    EXPECT_GT(c.SweepFactor, 1.0f);
}

struct RateCase {
    int32_t Rate;
    const char* FinalText; // fFinalLeft after the recall
    long double FinalHz;
};
class SweepAtEveryRate : public ::testing::TestWithParam<RateCase> {};

// "Sweep 20-20k" plays at every rate: a final frequency above half the rate is lowered to it
// when the slot is applied, and the slot keeps its own text.
TEST_P(SweepAtEveryRate, frequencyAboveHalfTheRateIsLoweredOnRecall) {
    const RateCase& c = GetParam();
    const PresetBank bank = Shipped("Examples.qvl");
    Recalled r(bank, 2, c.Rate);
    EXPECT_EQ(r.Gen.Text(TextField::fFinalLeft), c.FinalText);
    EXPECT_EQ(bank.Slot(2).fFinalLeft, "20000");
    EXPECT_EQ(r.Gen.DeriveSweep(Channel::Left), DeriveResult::Derived);
    const ChannelState& s = r.Gen.State().Of(Channel::Left);
    EXPECT_EQ(s.FinalNorm, static_cast<float>(c.FinalHz / c.Rate));
    EXPECT_EQ(s.InitNorm, static_cast<float>(20.0L / c.Rate));
    EXPECT_EQ(r.Gen.State().TotalSamples, 10 * c.Rate);
}

INSTANTIATE_TEST_SUITE_P(Rates, SweepAtEveryRate,
                         ::testing::Values(RateCase{8000, "4000", 4000},
                                           RateCase{11025, "5512.5", 5512.5L},
                                           RateCase{22050, "11025", 11025},
                                           RateCase{44100, "20000", 20000},
                                           RateCase{96000, "20000", 20000}),
                         [](const auto& info) { return std::to_string(info.param.Rate) + "Hz"; });

TEST(ShippedPresets, ExamplesPinkNoise) {
    const PresetBank bank = Shipped("Examples.qvl");
    const PresetSlot& s = bank.Slot(3);
    EXPECT_EQ(s.WaveFormLeft, PINK);
    EXPECT_TRUE(s.Mono);
    EXPECT_EQ(s.Duration, "10");
    EXPECT_EQ(s.AmplitudeLeft, "-10");
    Recalled r(bank, 3);
    const int peak = Peak(r.Render(44100));
    EXPECT_GT(peak, 1000);
    EXPECT_LE(peak, 10362); // full scale at -10 dBFS
}

TEST(ShippedPresets, ExamplesStereoPhaseTest) {
    const PresetBank bank = Shipped("Examples.qvl");
    const PresetSlot& s = bank.Slot(4);
    EXPECT_EQ(s.Name, "Phase 180\u00b0");
    EXPECT_FALSE(s.Mono);
    EXPECT_TRUE(s.Lefttick);
    EXPECT_TRUE(s.RightTick);
    EXPECT_EQ(s.PhaseEdit, "180");
    EXPECT_EQ(s.Duration, "5");
    Recalled r(bank, 4);
    const std::vector<int16_t> frames = r.Render(441);
    EXPECT_GT(Peak(frames, 2, 0), 10000);
    for (std::size_t i = 0; i < frames.size(); i += 2) // right = minus left, to rounding
        ASSERT_LE(std::abs(frames[i] + frames[i + 1]), 1) << "frame " << i / 2;
}

TEST(ShippedPresets, CompatibilityTestSlots) {
    const PresetBank bank = Shipped("Compatibility Test.qvl");
    // Slot 4: the 10 s stereo tone that is timed.
    EXPECT_FALSE(bank.Slot(4).Mono);
    EXPECT_EQ(bank.Slot(4).Duration, "10");
    EXPECT_EQ(Recalled(bank, 4).Gen.State().TotalSamples, 441000);
    // Slot 1: 1 kHz mono sine, 5 s.
    EXPECT_TRUE(bank.Slot(1).Mono);
    EXPECT_EQ(bank.Slot(1).WaveFormLeft, SINE);
    EXPECT_EQ(bank.Slot(1).fInitLeft, "1000");
    EXPECT_TRUE(bank.Slot(1).chkConstantLeft);
    EXPECT_EQ(bank.Slot(1).Duration, "5");
    // Slot 2: stereo, 5 s, both channels sounding.
    EXPECT_FALSE(bank.Slot(2).Mono);
    EXPECT_TRUE(bank.Slot(2).Lefttick && bank.Slot(2).RightTick);
    EXPECT_EQ(bank.Slot(2).Duration, "5");
    // Slot 3: 1 kHz stereo modulated sine, 5 s.
    const PresetSlot& m = bank.Slot(3);
    EXPECT_FALSE(m.Mono);
    EXPECT_EQ(m.fInitLeft, "1000");
    EXPECT_EQ(m.fInitRight, "1000");
    EXPECT_EQ(m.WaveFormLeft, SINE);
    EXPECT_EQ(m.WaveFormRight, SINE);
    EXPECT_TRUE(m.ModulationOnLeft && m.ModulationOnRight);
    EXPECT_EQ(m.Duration, "5");
    Recalled r(bank, 3);
    const std::vector<int16_t> frames = r.Render(22050); // one modulation period of 0.5 s
    auto peak = [&frames](int from, int to, int channel) {
        return Peak(std::vector<int16_t>(frames.begin() + 2 * from, frames.begin() + 2 * to), 2,
                    channel);
    };
    // Left: sine shape, gain 1 - (1 + sin) / 2: half at the start, none at a quarter period,
    // full at three quarters. Right: a quarter period later, so silent at the start.
    EXPECT_NEAR(peak(0, 100, 0), 10362 / 2, 60);
    EXPECT_LT(peak(5500, 5525, 0), 20);
    EXPECT_GT(peak(16500, 16575, 0), 10300);
    EXPECT_LT(peak(0, 20, 1), 20);
}

// Every shipped slot derives its sweep at the rates it is meant for: the compatibility test
// plays at 22.05 and 44.1 kHz; the examples play at any offered rate down to 11.025 kHz
// except the 20 kHz sweep.
TEST(ShippedPresets, EverySlotDerivesAtItsRates) {
    const PresetBank compatibility = Shipped("Compatibility Test.qvl");
    const PresetBank examples = Shipped("Examples.qvl");
    for (int n = 1; n <= 4; ++n) {
        for (int32_t rate : {22050, 44100}) {
            Recalled r(compatibility, n, rate);
            EXPECT_EQ(r.Gen.DeriveSweep(Channel::Left), DeriveResult::Derived) << n << " " << rate;
            EXPECT_EQ(r.Gen.DeriveSweep(Channel::Right), DeriveResult::Derived) << n << " " << rate;
        }
        for (int32_t rate : {11025, 44100}) {
            // The 20 kHz end of slot 2 is lowered to half of 11025 Hz by the recall.
            Recalled r(examples, n, rate);
            EXPECT_EQ(r.Gen.DeriveSweep(Channel::Left), DeriveResult::Derived) << n << " " << rate;
        }
    }
}

// --- The source format -------------------------------------------------------------------------

std::string ValidSource() {
    return ReadText(SourceDir + "/compatibility-test.txt");
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

std::string ParseError(const std::string& text) {
    PresetBank bank = Shipped("Examples.qvl");
    const PresetBank before = bank;
    std::string error;
    EXPECT_FALSE(PresetSource::Parse(text, bank, error));
    EXPECT_EQ(bank, before);
    return error;
}

int LineOf(const std::string& text, const std::string& what) {
    const auto at = text.find(what);
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

TEST(PresetSource, MistakesStopTheBuildWithTheirLine) {
    const std::string valid = ValidSource();
    std::string t = Replace(valid, "Duration           = 10", "Duraton            = 10");
    EXPECT_EQ(ParseError(t),
              "line " + std::to_string(LineOf(t, "Duraton")) + ": unknown setting \"Duraton\"");
    t = Replace(valid, "Loop               = false", "Loop               = no");
    EXPECT_EQ(ParseError(t),
              "line " + std::to_string(LineOf(t, "= no")) + ": Loop is true or false, not \"no\"");
    t = Replace(valid, "fInitLeft          = 440", "fInitLeft          = 44O");
    EXPECT_EQ(ParseError(t), "line " + std::to_string(LineOf(t, "44O")) +
                                 ": fInitLeft needs a number, not \"44O\"");
    t = Replace(valid, "WaveFormLeft       = SINE", "WaveFormLeft       = COSINE");
    EXPECT_NE(ParseError(t).find("WaveFormLeft has no list entry \"COSINE\""), std::string::npos);
    t = Replace(valid, "Name               = Stereo\n", "Name               = \u65e5\n");
    EXPECT_NE(ParseError(t).find("cannot store"), std::string::npos);
}

TEST(PresetSource, EverySlotNeedsEverySettingOnce) {
    const std::string valid = ValidSource();
    std::string t = Replace(valid, "PhaseEdit          = 0\n", "");
    EXPECT_NE(ParseError(t).find("lacks PhaseEdit"), std::string::npos);
    t = Replace(valid, "Loop               = false\n", "Loop               = false\nLoop = true\n");
    EXPECT_NE(ParseError(t).find("Loop is given twice"), std::string::npos);
    t = Replace(valid, "[slot 3]", "[slot 2]");
    EXPECT_NE(ParseError(t).find("slot 2 appears twice"), std::string::npos);
    t = valid.substr(0, valid.find("[slot 4]"));
    EXPECT_EQ(ParseError(t), "slot 4 is missing");
    t = Replace(valid, "[slot 1]", "[slot 5]");
    EXPECT_NE(ParseError(t).find("expected [slot 1] .. [slot 4]"), std::string::npos);
}

TEST(PresetSource, ListEntriesByNameOrPosition) {
    std::string t =
        Replace(ValidSource(), "ModFunctionLeft    = MODSINE", "ModFunctionLeft    = 3");
    PresetBank bank;
    std::string error;
    ASSERT_TRUE(PresetSource::Parse(t, bank, error)) << error;
    EXPECT_EQ(bank.Slot(3).ModFunctionLeft, MODTRIANGLE);
    EXPECT_EQ(bank.Slot(3).ModFunctionRight, MODSINE);
    t = Replace(ValidSource(), "ModFunctionLeft    = MODSINE", "ModFunctionLeft    = 4");
    EXPECT_NE(ParseError(t).find("no list entry \"4\""), std::string::npos);
}

} // namespace
} // namespace quavril
