#pragma once
// The per-sample steps of one channel, shared by NextSample and the block renderers so that
// both compute every sample the same way. Inline: they run once per sample.
#include "synth/BandLimited.h"
#include "synth/ChannelSettings.h"
#include "synth/GeneratorState.h"
#include "synth/Oscillator.h"
#include "synth/Sine.h"

#include <cmath>
#include <numbers>

namespace quavril {

namespace step_detail {
constexpr double TwoPiBelow = 2.0 * std::numbers::pi; // the double just below 2 pi
static_assert(TwoPiBelow < TwoPiL);
// The rest of the extended-precision 2 pi (it has few enough bits to be exact as a double).
constexpr double TwoPiRest = static_cast<double>(TwoPiL - TwoPiBelow);
static_assert(TwoPiBelow + static_cast<long double>(TwoPiRest) == TwoPiL);
} // namespace step_detail

// Phase - 2 pi, rounded once to a double, as extended precision would give it: for a phase
// between 2 pi and 4 pi the first subtraction is exact, so only the second one rounds.
[[gnu::always_inline]] inline double WrapPhase(double phase) {
    using namespace step_detail;
    if (phase < 2.0 * TwoPiBelow)
        return (phase - TwoPiBelow) - TwoPiRest;
    return static_cast<double>(phase - TwoPiL);
}

// The modulation gain for the shape value m in -1..1: 1 - depth * 0.5 * (m + 1), in 32-bit
// stages.
[[gnu::always_inline]] inline float GainOfShape(float depth, float m) {
    const float m1 = m + 1.0f;
    const float half = static_cast<float>(0.5 * depth * m1);
    return static_cast<float>(1.0 - half);
}

// The modulation phase in radians at frame `counter` of the period, at `fs` frames a second.
[[gnu::always_inline]] inline double ModulationPhase(const ChannelState& s, int64_t counter,
                                                     int32_t fs) {
    // A period of 0 cannot be played (the edit refuses it while playing); a signal started
    // with it modulates at the 1 s the edit would substitute.
    const double period = s.ModPeriodSeconds != 0.0f ? s.ModPeriodSeconds : 1.0;
    return static_cast<double>(counter) / fs * (2.0 * std::numbers::pi) / period +
           s.ModPhaseRadians;
}

// The shape value m of a ModFunction for the sine of the modulation phase (the sine of the
// 32-bit phase for MODTRIANGLE, the cosine for MODCOS).
[[gnu::always_inline]] inline float ShapeOfSine(int function, double sine) {
    switch (function) {
    case MODSINE:
    case MODCOS:
        return static_cast<float>(sine);
    case MODSQUARE:
        return SignOf(static_cast<float>(sine));
    case MODTRIANGLE:
        return TriangleOfSine(static_cast<float>(sine));
    default:
        return -1.0f; // an unknown shape does not modulate
    }
}

[[gnu::always_inline]] inline float ModulationGain(int function, const ChannelState& s,
                                                   int64_t counter, int32_t fs) {
    const double x = ModulationPhase(s, counter, fs);
    double sine = 0;
    if (function == MODCOS)
        sine = Cosine(x);
    else if (function == MODTRIANGLE)
        sine = Sine(static_cast<float>(x)); // the triangle starts from a 32-bit phase
    else
        sine = Sine(x);
    return GainOfShape(s.ModDepthFraction, ShapeOfSine(function, sine));
}

// The increment after the next update of a sweep on the high-resolution path: computed from
// the position in the pass (a linear sweep exactly, a logarithmic one anchored every 1024
// updates and multiplied in double between anchors), so a pass ends on its final frequency
// and nothing carries over from one pass to the next. A channel derived as a constant tone
// and switched to sweep without a new derivation sweeps on from where it stands, with the
// factor and step derived last, as the classic path does.
[[gnu::always_inline]] inline double PreciseSweepIncrement(ChannelState& s) {
    if (s.SweepPosition < 0) {
        s.PreciseStart = s.Increment;
        s.SweepPosition = 0;
    }
    const int64_t k = ++s.SweepPosition;
    if (!s.PreciseLog)
        return s.PreciseStart + static_cast<double>(k) * s.PreciseRate;
    if ((k & 1023) == 0)
        return s.PreciseStart * std::exp(static_cast<double>(k) * s.PreciseRate);
    return s.Increment * s.PreciseFactor;
}

// Steps 1 to 4 of a sample: phase, frequency (glide or sweep), wrap, modulation gain.
// `gain`, when given, is the modulation gain ModulationGain would compute. `Precise` sweeps
// on the high-resolution path.
template <bool Precise = false>
[[gnu::always_inline]] inline void Advance(ChannelState& s, const ChannelSettings& cs,
                                           int64_t counter, int32_t fs,
                                           const float* gain = nullptr) {
    s.Phase += s.Increment;
    if (cs.Constant) {
        if (s.Increment != s.TargetIncrement)
            s.Increment = static_cast<double>(0.995L * s.Increment + 0.005L * s.TargetIncrement);
    } else if constexpr (Precise) {
        s.Increment = PreciseSweepIncrement(s);
    } else {
        // One of factor and step is always neutral, so double arithmetic rounds exactly as
        // extended precision would.
        s.Increment = s.Increment * s.SweepFactor + s.SweepStep;
    }
    // The phase wraps when it exceeds 2 pi; no double lies between the double nearest below
    // 2 pi and the extended-precision 2 pi, so comparing with that double is exact.
    if (s.Phase > step_detail::TwoPiBelow)
        s.Phase = WrapPhase(s.Phase);
    if (cs.ModulationOn)
        s.ModGain = gain ? *gain : ModulationGain(cs.ModFunction, s, counter, fs);
}

// Advance for a channel at a constant frequency that has finished gliding, without
// modulation: only the phase moves.
[[gnu::always_inline]] inline void AdvanceSteady(ChannelState& s) {
    s.Phase += s.Increment;
    if (s.Phase > step_detail::TwoPiBelow)
        s.Phase = WrapPhase(s.Phase);
}

// Whether a channel advances as AdvanceSteady does.
inline bool Steady(const ChannelState& s, const ChannelSettings& cs) {
    return cs.Constant && s.Increment == s.TargetIncrement && !cs.ModulationOn;
}

// The scale S of a channel's waveform: full scale times level times modulation gain.
[[gnu::always_inline]] inline double ScaleOf(const ChannelState& s) {
    return 32767.0 * s.AmplitudeGain * s.ModGain;
}

// The fraction of a turn (0 <= u < 1) of a phase in radians, of any sign.
[[gnu::always_inline]] inline double TurnOf(double theta) {
    const double u = theta * (1.0 / (2.0 * std::numbers::pi));
    return u - std::floor(u);
}

// The shapes of the high-resolution path, from the exact phase: a square that changes sign
// with the double sine, a triangle straight from the phase (what (2/pi) arcsin(sin theta)
// is), and, band-limited, their tables.
template <int W, bool BandLimited>
[[gnu::always_inline]] inline double PreciseShape(double theta, double sine, double increment) {
    if constexpr (BandLimited) {
        return BandLimitedValue(W, TurnOf(theta), increment);
    } else if constexpr (W == SQUARE) {
        return sine >= 0.0 ? 1.0 : -1.0;
    } else {
        const double u = TurnOf(theta);
        return u < 0.25 ? 4.0 * u : u < 0.75 ? 2.0 - 4.0 * u : 4.0 * u - 4.0;
    }
}

// The sawtooth's step: the running value rises by 2 f / fs and drops by 2 above 1; stored as
// a 32-bit float on the classic path, in double on the high-resolution one.
template <bool Precise, bool BandLimited>
[[gnu::always_inline]] inline double SawStep(ChannelState& s) {
    if constexpr (!Precise) {
        s.SawValue = static_cast<float>(s.SawValue + 2.0L * s.Increment / TwoPiL);
        if (s.SawValue > 1.0f)
            s.SawValue = static_cast<float>(s.SawValue - 2.0);
        return s.SawValue;
    } else {
        s.PreciseSaw += s.Increment * (1.0 / std::numbers::pi);
        if (s.PreciseSaw > 1.0)
            s.PreciseSaw -= 2.0;
        if constexpr (BandLimited) // the running value is the phase: -1..1 is -pi..pi
            return BandLimitedValue(SAWTOOTH, TurnOf(s.PreciseSaw * std::numbers::pi), s.Increment);
        else
            return s.PreciseSaw;
    }
}

// One sample of waveform W of channel c at frame `counter`, before rounding: the classic
// definition, or on the high-resolution path (`Precise`) the same signal with the sweeps and
// shapes in double and, with `BandLimited`, the square, triangle and sawtooth from their
// band-limited tables.
template <int W, bool Precise = false, bool BandLimited = false>
[[gnu::always_inline]] inline double
SampleValue(GeneratorState& g, Channel c, const ChannelSettings& cs, int64_t counter, int32_t fs) {
    ChannelState& s = g.Of(c);
    Advance<Precise>(s, cs, counter, fs);
    if constexpr (W == PULSEPOS)
        return counter == 0 ? 32767 : 0;
    else if constexpr (W == PULSENEG)
        return counter == 0 ? -32767 : 0;
    else if constexpr (W < SINE || W > PINK)
        return 0; // SILENCE and anything unknown
    else {
        const double theta = c == Channel::Right ? s.Phase + g.PhaseOffset : s.Phase;
        const double scale = ScaleOf(s);
        if constexpr (W == SINE) {
            return Sine(theta) * scale;
        } else if constexpr (Precise && (W == SQUARE || W == TRIANGULAR)) {
            return PreciseShape<W, BandLimited>(theta, W == SQUARE ? Sine(theta) : 0.0,
                                                s.Increment) *
                   scale;
        } else if constexpr (W == SQUARE) {
            return SignOf(static_cast<float>(Sine(theta))) * scale;
        } else if constexpr (W == TRIANGULAR) {
            return TriangleOf(static_cast<float>(theta)) * scale;
        } else if constexpr (W == SAWTOOTH) {
            return SawStep<Precise, BandLimited>(s) * scale;
        } else if constexpr (W == WHITE) {
            return (2.0 * NextRandom(g.NoiseSeed) - 1.0) * scale;
        } else {
            return PinkNoise(counter, g.PinkRows, g.NoiseSeed) * scale;
        }
    }
}

// Calls f.template operator()<W>() with the Waveform W of `waveform` (SILENCE for a value
// outside the list): the one place where a waveform number becomes a compile-time shape.
template <typename F>
[[gnu::always_inline]] inline decltype(auto) WithWaveform(int waveform, F&& f) {
    switch (waveform) {
    case SINE:
        return f.template operator()<SINE>();
    case SQUARE:
        return f.template operator()<SQUARE>();
    case TRIANGULAR:
        return f.template operator()<TRIANGULAR>();
    case SAWTOOTH:
        return f.template operator()<SAWTOOTH>();
    case WHITE:
        return f.template operator()<WHITE>();
    case PINK:
        return f.template operator()<PINK>();
    case PULSEPOS:
        return f.template operator()<PULSEPOS>();
    case PULSENEG:
        return f.template operator()<PULSENEG>();
    default:
        return f.template operator()<SILENCE>();
    }
}

// One classic sample of waveform W, rounded, before truncation to 16 bits.
template <int W>
[[gnu::always_inline]] inline int64_t
SampleOf(GeneratorState& g, Channel c, const ChannelSettings& cs, int64_t counter, int32_t fs) {
    return RoundSample(SampleValue<W>(g, c, cs, counter, fs));
}

} // namespace quavril
