#include "synth/ChannelRender.h"

#include "synth/PinkRender.h"
#include "synth/SampleStep.h"
#include "synth/SineBlock.h"

#include <algorithm>
#include <cstddef>

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

template <int W>
void Run(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs, int16_t* out,
         int stride, int32_t frames, int64_t n0) {
    ChannelState& s = g.Of(c);
    if constexpr (W == SINE || W == SQUARE) {
        // The sample steps of SampleOf, with the sines of a block taken together.
        double theta[Block], scale[Block], sines[Block];
        float gains[Block];
        const double offset = c == Channel::Right ? g.PhaseOffset : 0.0;
        for (int32_t done = 0; done < frames;) {
            const int n = std::min<int32_t>(Block, frames - done);
            if (cs.ModulationOn)
                ModulationGains(s, cs.ModFunction, n0 + done, n, fs, gains);
            for (int i = 0; i < n; ++i) {
                Advance(s, cs, n0 + done + i, fs, &gains[i]);
                theta[i] = c == Channel::Right ? s.Phase + offset : s.Phase;
                scale[i] = ScaleOf(s);
            }
            SineBlock(theta, sines, n);
            int16_t* o = out + static_cast<std::ptrdiff_t>(done) * stride;
            for (int i = 0; i < n; ++i) {
                const double v = W == SINE ? sines[i] * scale[i]
                                           : SignOf(static_cast<float>(sines[i])) * scale[i];
                o[static_cast<std::ptrdiff_t>(i) * stride] = Low16(RoundSample(v));
            }
            done += n;
        }
    } else {
        for (int32_t i = 0; i < frames; ++i)
            out[static_cast<std::ptrdiff_t>(i) * stride] = Low16(SampleOf<W>(g, c, cs, n0 + i, fs));
    }
}

} // namespace

void RenderChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int waveform,
                   int32_t fs, int16_t* out, int stride, int32_t frames, int64_t n0) {
    switch (waveform) {
    case SINE:
        return Run<SINE>(g, c, cs, fs, out, stride, frames, n0);
    case SQUARE:
        return Run<SQUARE>(g, c, cs, fs, out, stride, frames, n0);
    case TRIANGULAR:
        return Run<TRIANGULAR>(g, c, cs, fs, out, stride, frames, n0);
    case SAWTOOTH:
        return Run<SAWTOOTH>(g, c, cs, fs, out, stride, frames, n0);
    case WHITE:
        return Run<WHITE>(g, c, cs, fs, out, stride, frames, n0);
    case PINK:
        return RenderPinkChannel(g, c, cs, fs, out, stride, frames, n0);
    case PULSEPOS:
        return Run<PULSEPOS>(g, c, cs, fs, out, stride, frames, n0);
    case PULSENEG:
        return Run<PULSENEG>(g, c, cs, fs, out, stride, frames, n0);
    default:
        return Run<SILENCE>(g, c, cs, fs, out, stride, frames, n0);
    }
}

} // namespace quavril
