// The high-resolution path (24-bit, float, dither, band-limited shapes, soft edges) and the
// two mends that apply in every format: pink noise's start and back-and-forth sweep drift.
#include "synth/BandLimited.h"
#include "synth/Fade.h"
#include "synth/Generator.h"
#include "synth/Quantise.h"
#include "synth/SimdLevel.h"
#include "tests/support/GeneratorTestAccess.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <numeric>
#include <vector>

using namespace quavril;
using enum quavril::SampleFormat;

namespace {

constexpr double Pi = std::numbers::pi;

SignalQuality Quality(SampleFormat f, DitherKind d = DitherKind::None, bool bandLimited = false,
                      int fadeMs = 0) {
    SignalQuality q;
    q.Format = f;
    q.Dither = d;
    q.BandLimited = bandLimited;
    q.FadeMs = fadeMs;
    return q;
}

// A mono export-style signal: quality, rate, waveform, frequency, duration, level.
void Mono(Generator& g, SignalQuality q, int32_t fs, int waveform, const char* hz,
          const char* seconds, const char* dB = "0") {
    g.SetQuality(q);
    g.SetSampleRate(fs);
    g.SetIndex(IndexField::WaveFormLeft, waveform);
    g.SetText(TextField::fInitLeft, hz);
    g.SetText(TextField::Duration, seconds);
    g.SetText(TextField::AmplitudeLeft, dB);
    ASSERT_TRUE(g.ResetGenerator(true));
}

// `frames` frames through the export path, decoded to fractions of full scale.
std::vector<double> Render(Generator& g, int32_t frames) {
    const SampleFormat f = g.Quality().Format;
    std::vector<uint8_t> bytes(static_cast<size_t>(frames) * g.FrameBytes());
    g.RenderBytes(bytes.data(), frames);
    std::vector<double> out;
    for (size_t at = 0; at < bytes.size(); at += BytesPerSample(f))
        out.push_back(DecodeSample(&bytes[at], f));
    return out;
}

std::vector<int32_t> Integers(const std::vector<double>& v, SampleFormat f) {
    std::vector<int32_t> out;
    for (double x : v)
        out.push_back(static_cast<int32_t>(std::lround(x * FullScale(f))));
    return out;
}

// A left channel sweeping from `from` to `to` Hz in `seconds`, not yet started.
void Sweep(Generator& g, SignalQuality q, int32_t fs, bool logarithmic, const char* from,
           const char* to, const char* seconds) {
    g.SetQuality(q);
    g.SetSampleRate(fs);
    g.SetFlag(FlagField::chkConstantLeft, false);
    g.SetFlag(FlagField::LogarithmicLeft, logarithmic);
    g.SetText(TextField::fInitLeft, from);
    g.SetText(TextField::fFinalLeft, to);
    g.SetText(TextField::Duration, seconds);
}

} // namespace

// Quantisation: scaled to the format, rounded half to even, clipped, never wrapped.
TEST(HighResolution, quantisationRoundsAndClipsToTheFormat) {
    const struct {
        double In; // before rounding, full scale 32767 (39320.4 is 1.2 of it, 49150.5 1.5)
        SampleFormat Format;
        double Out; // decoded, times the format's full scale
    } cases[] = {{32767.0, S24, 8388607}, {-32767.0, S24, -8388607},
                 {39320.4, S24, 8388607}, {-40000.0, S24, -8388608},
                 {NAN, S24, -8388608},    {40000.0, S16, 32767},
                 {-40000.0, S16, -32768}, {2.5, S16, 2},
                 {-0.5, S16, 0},          {32767.0, F32, 1.0},
                 {49150.5, F32, 1.5}};
    for (SimdLevel level : AvailableSimdLevels()) {
        const SimdLevel before = SetSimdLevel(level);
        for (const auto& c : cases) {
            // Eight of each, so that the vector kernels see them as well as the scalar tail.
            std::vector<double> in(9, c.In);
            std::vector<uint8_t> out(in.size() * 4);
            uint32_t seed = 1;
            QuantiseSamples(in.data(), static_cast<int>(in.size()), c.Format, false, seed,
                            out.data());
            for (size_t i = 0; i < in.size(); ++i)
                EXPECT_EQ(DecodeSample(&out[i * BytesPerSample(c.Format)], c.Format) *
                              FullScale(c.Format),
                          c.Out)
                    << c.In << " sample " << i << " level " << SimdLevelName(level);
        }
        SetSimdLevel(before);
    }
}

// --- Dither ----------------------------------------------------------------------------------

// TPDF dither of silence is +-1 LSB at most, centred, the same at every start, and draws from
// its own source: the noise waveforms' sequence does not move. Float is not dithered.
TEST(HighResolution, ditherIsTriangularOwnAndRepeatable) {
    for (SampleFormat f : {S16, S24, F32}) {
        Generator g;
        Mono(g, Quality(f, DitherKind::Tpdf), 48000, SILENCE, "1000", "1");
        const std::vector<int32_t> first = Integers(Render(g, 20000), f);
        ASSERT_TRUE(g.ResetGenerator(true));
        EXPECT_EQ(Integers(Render(g, 20000), f), first) << "seeded at every start";
        const auto [lo, hi] = std::minmax_element(first.begin(), first.end());
        EXPECT_EQ(*lo, f == F32 ? 0 : -1);
        EXPECT_EQ(*hi, f == F32 ? 0 : 1);
        if (f == F32)
            continue;
        EXPECT_LT(std::fabs(std::accumulate(first.begin(), first.end(), 0.0) / first.size()), 0.02);
        // A triangular distribution of +-1 LSB rounds to zero three times in four.
        const auto zeros = std::count(first.begin(), first.end(), 0);
        EXPECT_NEAR(static_cast<double>(zeros) / first.size(), 0.75, 0.02);
    }
    Generator plain, dithered; // white noise, dithered or not, is the same sequence
    Mono(plain, Quality(S24), 48000, WHITE, "1000", "1");
    Mono(dithered, Quality(S24, DitherKind::Tpdf), 48000, WHITE, "1000", "1");
    const auto a = Render(plain, 3000), b = Render(dithered, 3000);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i] * 8388607, b[i] * 8388607, 1.0) << i;
}

// --- Soft edges ------------------------------------------------------------------------------

// With 10 ms fades the first and last 480 frames of a 48 kHz render follow the raised cosine
// to 1 LSB (a square, whose magnitude is full scale); the length does not change.
TEST(HighResolution, fadesFollowTheRaisedCosine) {
    for (SampleFormat f : {S16, S24, F32}) {
        Generator g;
        Mono(g, Quality(f, DitherKind::None, false, 10), 48000, SQUARE, "1000", "0.1");
        const int64_t total = g.State().TotalSamples;
        const std::vector<double> s = Render(g, static_cast<int32_t>(total));
        const double full = FullScale(f), lsb = f == F32 ? 1e-6 : 1.0;
        for (int64_t i = 0; i < total; ++i) {
            const double gain = FadeInGain(i, 480) * FadeOutGain(i - (total - 480), 480);
            ASSERT_NEAR(std::fabs(s[static_cast<size_t>(i)]) * full, gain * full, lsb)
                << "frame " << i << " format " << static_cast<int>(f);
        }
        if (f == S24) {
            const std::vector<int32_t> head = Integers({s.begin(), s.begin() + 5}, f);
            EXPECT_EQ(head, (std::vector<int32_t>{0, 90, 359, 808, 1437}));
            EXPECT_EQ(s.back(), 0.0);
        }
    }
}

// The fade-out ends where the signal ends: playback hands over exactly the frames it would
// without a fade (800), the last of them silent.
TEST(HighResolution, fadeNeverLengthensPlayback) {
    for (int fade : {0, 10, 1000}) {
        Generator g;
        Mono(g, Quality(S24, DitherKind::None, false, fade), 8000, SINE, "1000", "0.1");
        g.AcknowledgeRender();
        std::vector<uint8_t> buffer(3 * 512);
        int32_t played = 0, size = 0;
        for (bool more = true; more; played += size, g.AcknowledgeRender()) {
            size = static_cast<int32_t>(buffer.size());
            more = g.FillBuffer(buffer.data(), size);
        }
        EXPECT_EQ(played, 800 * 3) << fade << " ms";
    }
}

// --- Band-limited shapes ---------------------------------------------------------------------

// The harmonics a table holds: every one below half the rate, at most 1024.
TEST(BandLimited, tablesHoldEveryHarmonicBelowHalfTheRate) {
    const struct {
        double Hz;
        int Harmonics;
    } cases[] = {{997, 24},  {1000, 23}, {10000, 2},   {12000, 1}, {16000, 1},
                 {23999, 1}, {24000, 0}, {23.5, 1021}, {20, 1024}, {0.1, 1024}};
    for (const auto& c : cases)
        EXPECT_EQ(BandLimitedHarmonics(2 * Pi * c.Hz / 48000), c.Harmonics) << c.Hz << " Hz";
}

// A short band-limited render has the classic shape's fundamental (4/pi, 8/pi^2, 2/pi of the
// level, in phase with the sine) and no DC, from a low tone to one with a single harmonic.
TEST(BandLimited, fundamentalAndNoDcOfTheClassicShapes) {
    const struct {
        int Waveform;
        double Fundamental;
    } shapes[] = {{SQUARE, 4 / Pi}, {TRIANGULAR, 8 / (Pi * Pi)}, {SAWTOOTH, 2 / Pi}};
    for (const auto& shape : shapes)
        for (const char* hz : {"1000", "8000"}) { // 48 and 6 samples a period
            SCOPED_TRACE(::testing::Message() << shape.Waveform << " at " << hz);
            Generator g;
            Mono(g, Quality(F32, DitherKind::None, true), 48000, shape.Waveform, hz, "0.1", "-6");
            const std::vector<double> s = Render(g, 4800);
            const double inc = g.State().Of(Channel::Left).Increment;
            std::complex<double> sum = 0;
            double dc = 0;
            for (size_t n = 0; n < s.size(); ++n) {
                // Frame n is taken after n + 1 phase steps.
                sum += s[n] * std::polar(1.0, -inc * static_cast<double>(n + 1));
                dc += s[n];
            }
            // sin x = (e^ix - e^-ix) / 2i: the correlation is amplitude / 2i.
            const std::complex<double> c =
                sum * std::complex<double>(0, 2) / static_cast<double>(s.size());
            const double level = std::pow(10.0, -6 / 20.0) * shape.Fundamental;
            EXPECT_NEAR(20 * std::log10(std::abs(c) / level), 0.0, 0.05);
            EXPECT_NEAR(std::arg(c) * 180 / Pi, 0.0, 0.1);
            EXPECT_LT(std::fabs(dc / static_cast<double>(s.size())), 1.0 / 8388607);
        }
}

// --- The two mends ---------------------------------------------------------------------------

// Pink noise starts from rows at their mean: no step at the start, and from frame 1875 on
// (where the last row has been drawn) the samples are the ones rows starting at 0 give.
TEST(PinkStart, startsWithoutAStepAndThenJoinsTheSequence) {
    Generator g, zeroRows;
    Mono(g, {}, 44100, PINK, "1000", "1");
    Mono(zeroRows, {}, 44100, PINK, "1000", "1");
    test::MutableState(zeroRows).PinkRows.fill(0.0f); // as the rows used to start
    std::vector<int16_t> a(20000), b(20000);
    g.RenderFrames(a.data(), 20000);
    zeroRows.RenderFrames(b.data(), 20000);
    EXPECT_EQ(std::vector<int16_t>(a.begin(), a.begin() + 4),
              (std::vector<int16_t>{-2521, -542, -824, -1193}));
    EXPECT_EQ(b[0], -32767) << "rows at 0 start at full scale";
    EXPECT_NE(a[1874], b[1874]);
    EXPECT_TRUE(std::equal(a.begin() + 1875, a.end(), b.begin() + 1875));
    const auto byMagnitude = [](int16_t x, int16_t y) { return std::abs(x) < std::abs(y); };
    EXPECT_LE(std::abs(*std::max_element(a.begin(), a.begin() + 2000, byMagnitude)),
              std::abs(*std::max_element(a.begin() + 2000, a.end(), byMagnitude)));
    auto mean = [&](size_t from) { return std::accumulate(&a[from], &a[from + 256], 0.0) / 256; };
    double lo = 1e9, hi = -1e9;
    for (size_t k = 2048; k + 256 <= a.size(); k += 256) {
        lo = std::min(lo, mean(k));
        hi = std::max(hi, mean(k));
    }
    EXPECT_GE(mean(0), lo);
    EXPECT_LE(mean(0), hi);
}

// A back-and-forth sweep of 1 s, 20 Hz to 20 kHz at 48 kHz, followed over 100 round trips: the
// frequencies where the passes end (and turn) are those of the first round trip, exactly.
TEST(BackAndForth, roundTripsRepeatTheFirstOne) {
    const struct {
        bool Logarithmic;
        SampleFormat Format;
        double Top, Bottom; // Hz at the last frame of the first upward and downward passes
        double Tolerance;   // Hz, of the first pass's ends
    } cases[] = {
        // The 32-bit factor of the classic path ends the upward pass near 20 kHz (and the way
        // back near 20 Hz); the high-resolution path ends on 20 kHz, and one update after its
        // start on the way back.
        {true, S16, 19962.304436, 19.983011, 1e-6},
        {true, S24, 20000.0, 20.00287825, 1e-6},
        {false, S16, 20000.0, 20.0 + 19980.0 / 47999, 0.01},
        {false, F32, 20000.0, 20.0 + 19980.0 / 47999, 1e-6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Logarithmic << " " << static_cast<int>(c.Format));
        Generator g;
        Sweep(g, Quality(c.Format), 48000, c.Logarithmic, "20", "20000", "1");
        g.SetIndex(IndexField::WaveFormLeft, SILENCE); // the oscillator runs all the same
        g.SetFlag(FlagField::BidirectionalLeft, true);
        g.SetFlag(FlagField::Loop, true);
        ASSERT_TRUE(g.ResetGenerator(false));
        const int32_t frameBytes = g.FrameBytes();
        std::vector<uint8_t> buffer(static_cast<size_t>(47999) * frameBytes);
        auto fill = [&](int32_t frames) {
            g.AcknowledgeRender();
            int32_t size = frames * frameBytes;
            ASSERT_TRUE(g.FillBuffer(buffer.data(), size));
        };
        std::vector<double> ends; // the last frame's frequency of every pass
        for (int pass = 0; pass < 200; ++pass) {
            fill(47999);
            ends.push_back(g.State().Of(Channel::Left).Increment * 48000 / (2 * Pi));
            fill(1); // that frame, then the turn
        }
        EXPECT_NEAR(ends[0], c.Top, c.Tolerance);
        EXPECT_NEAR(ends[1], c.Bottom, c.Tolerance);
        EXPECT_EQ(ends[198], ends[0]) << "top after 99 round trips";
        EXPECT_EQ(ends[199], ends[1]) << "bottom after 100 round trips";
    }
}

// On the high-resolution path a 10 s log sweep ends on its final frequency (to far below
// 0.01 cent), and the frequency of every frame is the exponential's.
TEST(HighResolution, logSweepEndsOnItsFinalFrequency) {
    Generator g;
    Sweep(g, Quality(S24), 48000, true, "20", "20000", "10");
    ASSERT_TRUE(g.ResetGenerator(true));
    std::vector<uint8_t> bytes(static_cast<size_t>(g.FrameBytes()) * 1000);
    double worst = 0;
    for (int64_t done = 0; done < 479999;) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(1000, 479999 - done));
        g.RenderBytes(bytes.data(), n);
        done += n;
        const double hz = g.State().Of(Channel::Left).Increment * 48000 / (2 * Pi);
        const double ideal = 20.0 * std::pow(1000.0, static_cast<double>(done) / 479999);
        worst = std::max(worst, std::fabs(1200 * std::log2(hz / ideal)));
    }
    EXPECT_LT(worst, 1e-6) << "cents";
}

// Every vector level renders the same bytes on the high-resolution path: sines, pink noise of
// both channels, the dither and the quantisation are vector kernels there too.
TEST(HighResolution, everyVectorLevelRendersTheSameBytes) {
    const SimdLevel before = ActiveSimdLevel();
    const std::pair<int, int> pairs[] = {
        {SINE, SINE}, {PINK, PINK}, {SQUARE, SAWTOOTH}, {WHITE, PINK}, {TRIANGULAR, SQUARE}};
    for (const auto& [left, right] : pairs) {
        std::vector<std::vector<uint8_t>> renders;
        for (SimdLevel level : AvailableSimdLevels()) {
            ASSERT_EQ(SetSimdLevel(level), level);
            Generator g;
            g.SetIndex(IndexField::cboChannels, STEREO);
            g.ChannelsChange();
            g.SetIndex(IndexField::WaveFormLeft, left);
            g.SetIndex(IndexField::WaveFormRight, right);
            // A log sweep across many tables on the left, a modulated tone on the right.
            Sweep(g, Quality(S24, DitherKind::Tpdf, true, 5), 44100, true, "30", "15000", "0.2");
            g.SetFlag(FlagField::ModulationOnRight, true);
            g.SetText(TextField::ModPeriodRightEdit, "0.01");
            ASSERT_TRUE(g.ResetGenerator(true));
            std::vector<uint8_t> bytes(static_cast<size_t>(g.FrameBytes()) * 8820);
            g.RenderBytes(bytes.data(), 8820);
            renders.push_back(bytes);
        }
        for (size_t i = 1; i < renders.size(); ++i)
            EXPECT_EQ(renders[i], renders[0]) << left << "/" << right << " level " << i;
    }
    SetSimdLevel(before);
}

// A right channel derived as a constant tone and switched to sweep while playing (the switch
// derives only the left channel) keeps its frequency on the high-resolution path, as on the
// classic one: it has no pass to compute a frequency from.
TEST(HighResolution, aConstantChannelSwitchedToSweepKeepsItsFrequency) {
    for (SampleFormat f : {S16, S24}) {
        Generator g;
        g.SetQuality(Quality(f));
        g.SetSampleRate(48000);
        g.SetIndex(IndexField::cboChannels, STEREO);
        g.ChannelsChange();
        g.SetText(TextField::fInitRight, "1000");
        g.SetText(TextField::Duration, "1");
        ASSERT_TRUE(g.ResetGenerator(false));
        const double before = g.State().Of(Channel::Right).Increment;
        Render(g, 100);
        g.SetFlag(FlagField::chkConstantRight, false);
        Render(g, 3000); // past the anchors of a pass
        EXPECT_EQ(g.State().Of(Channel::Right).Increment, before) << static_cast<int>(f);
    }
}
