#include "synth/ChannelRender.h"

#include "synth/BandLimited.h"

#include "synth/PinkRender.h"
#include "synth/SampleStep.h"
#include "synth/SineBlock.h"

#include <algorithm>
#include <cstddef>
#include <numbers>
#include <type_traits>

namespace quavril {

namespace {

constexpr int Block = 256; // samples whose sines are taken together

// ModulationGain for the frames n0 .. n0 + count - 1 (count <= Block).
void ModulationGains(const ChannelState& s, int function, int64_t n0, int count, int32_t fs,
                     float* gains) {
    if (function < MODSINE || function > MODTRIANGLE) {
        std::fill(gains, gains + count, GainOfShape(s.ModDepthFraction, ShapeOfSine(function, 0)));
        return;
    }
    double x[Block] = {}, sines[Block];
    for (int i = 0; i < count; ++i) {
        x[i] = ModulationPhase(s, n0 + i, fs);
        if (function == MODTRIANGLE)
            x[i] = static_cast<float>(x[i]); // the triangle starts from a 32-bit phase
    }
    SineBlock(x, sines, count, function == MODCOS ? 1 : 0);
    for (int i = 0; i < count; ++i)
        gains[i] = GainOfShape(s.ModDepthFraction, ShapeOfSine(function, sines[i]));
}

// A sample value as the output type takes it: the classic low 16 bits of the rounded value,
// or the value itself on the high-resolution path. (The same as ScaledSamples.)
template <typename T> [[gnu::always_inline]] inline T Emit(double v) {
    if constexpr (std::is_same_v<T, int16_t>)
        return Low16(RoundSample(v));
    else
        return v;
}

// The band-limited shapes on the high-resolution path: the steps of SampleValue, with the
// table look-ups of a block taken together.
template <int W>
void BandLimitedRun(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs,
                    double* out, int stride, int32_t frames, int64_t n0) {
    ChannelState& s = g.Of(c);
    double turns[Block], increments[Block], scale[Block], values[Block];
    float gains[Block];
    const double offset = c == Channel::Right ? g.PhaseOffset : 0.0;
    for (int32_t done = 0; done < frames;) {
        const int n = std::min<int32_t>(Block, frames - done);
        if (W != SAWTOOTH && Steady(s, cs)) {
            double phase = s.Phase;
            for (int i = 0; i < n; ++i) {
                phase += s.Increment;
                if (phase > step_detail::TwoPiBelow)
                    phase = WrapPhase(phase);
                turns[i] = TurnOf(c == Channel::Right ? phase + offset : phase);
            }
            s.Phase = phase;
            std::fill(increments, increments + n, s.Increment);
            std::fill(scale, scale + n, ScaleOf(s));
        } else {
            ChannelState local = s; // kept in registers, as in Run
            if (cs.ModulationOn)
                ModulationGains(local, cs.ModFunction, n0 + done, n, fs, gains);
            for (int i = 0; i < n; ++i) {
                Advance<true>(local, cs, n0 + done + i, fs, &gains[i]);
                if constexpr (W == SAWTOOTH) {
                    local.PreciseSaw += local.Increment * (1.0 / std::numbers::pi);
                    if (local.PreciseSaw > 1.0)
                        local.PreciseSaw -= 2.0;
                    turns[i] = TurnOf(local.PreciseSaw * std::numbers::pi);
                } else {
                    turns[i] = TurnOf(c == Channel::Right ? local.Phase + offset : local.Phase);
                }
                increments[i] = local.Increment;
                scale[i] = ScaleOf(local);
            }
            s = local;
        }
        BandLimitedBlock(W, turns, increments, values, n);
        double* o = out + static_cast<std::ptrdiff_t>(done) * stride;
        for (int i = 0; i < n; ++i)
            o[static_cast<std::ptrdiff_t>(i) * stride] = values[i] * scale[i];
        done += n;
    }
}

template <int W, typename T, bool BandLimited>
void Run(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs, T* out, int stride,
         int32_t frames, int64_t n0) {
    constexpr bool Precise = std::is_same_v<T, double>;
    ChannelState& s = g.Of(c);
    if constexpr (W == SINE || (W == SQUARE && !BandLimited)) {
        // The sample steps of SampleValue, with the sines of a block taken together.
        double theta[Block], scale[Block], sines[Block];
        float gains[Block];
        const double offset = c == Channel::Right ? g.PhaseOffset : 0.0;
        for (int32_t done = 0; done < frames;) {
            const int n = std::min<int32_t>(Block, frames - done);
            if (Steady(s, cs)) {
                // A constant tone that has finished gliding, without modulation: only the
                // phase moves, and the scale stays.
                double phase = s.Phase;
                const double increment = s.Increment;
                for (int i = 0; i < n; ++i) {
                    phase += increment;
                    if (phase > step_detail::TwoPiBelow)
                        phase = WrapPhase(phase);
                    theta[i] = phase;
                }
                s.Phase = phase;
                if (c == Channel::Right)
                    for (int i = 0; i < n; ++i)
                        theta[i] += offset;
                std::fill(scale, scale + n, ScaleOf(s));
            } else {
                // A copy the compiler can keep in registers: the state is not written through
                // memory at every sample.
                ChannelState local = s;
                if (cs.ModulationOn)
                    ModulationGains(local, cs.ModFunction, n0 + done, n, fs, gains);
                for (int i = 0; i < n; ++i) {
                    Advance<Precise>(local, cs, n0 + done + i, fs, &gains[i]);
                    theta[i] = c == Channel::Right ? local.Phase + offset : local.Phase;
                    scale[i] = ScaleOf(local);
                }
                s = local;
            }
            SineBlock(theta, sines, n);
            T* o = out + static_cast<std::ptrdiff_t>(done) * stride;
            if constexpr (W == SQUARE)
                for (int i = 0; i < n; ++i)
                    sines[i] = Precise ? (sines[i] >= 0.0 ? 1.0 : -1.0)
                                       : SignOf(static_cast<float>(sines[i]));
            if constexpr (Precise)
                for (int i = 0; i < n; ++i)
                    o[static_cast<std::ptrdiff_t>(i) * stride] = sines[i] * scale[i];
            else
                ScaledSamples(sines, scale, o, stride, n);
            done += n;
        }
    } else if constexpr (BandLimited && (W == SQUARE || W == TRIANGULAR || W == SAWTOOTH)) {
        BandLimitedRun<W>(g, c, cs, fs, out, stride, frames, n0);
    } else {
        for (int32_t i = 0; i < frames; ++i)
            out[static_cast<std::ptrdiff_t>(i) * stride] =
                Emit<T>(SampleValue<W, Precise, BandLimited>(g, c, cs, n0 + i, fs));
    }
}

template <typename T, bool BandLimited>
void Dispatch(GeneratorState& g, Channel c, const ChannelSettings& cs, int waveform, int32_t fs,
              T* out, int stride, int32_t frames, int64_t n0) {
    WithWaveform(waveform, [&]<int W>() {
        if constexpr (W == PINK)
            RenderPinkChannel(g, c, cs, fs, out, stride, frames, n0);
        else
            Run<W, T, BandLimited>(g, c, cs, fs, out, stride, frames, n0);
    });
}

} // namespace

void RenderChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int waveform,
                   int32_t fs, int16_t* out, int stride, int32_t frames, int64_t n0) {
    Dispatch<int16_t, false>(g, c, cs, waveform, fs, out, stride, frames, n0);
}

void RenderChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int waveform,
                   int32_t fs, bool bandLimited, double* out, int stride, int32_t frames,
                   int64_t n0) {
    if (bandLimited)
        Dispatch<double, true>(g, c, cs, waveform, fs, out, stride, frames, n0);
    else
        Dispatch<double, false>(g, c, cs, waveform, fs, out, stride, frames, n0);
}

} // namespace quavril
