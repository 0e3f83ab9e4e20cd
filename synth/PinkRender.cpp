#include "synth/PinkRender.h"

#include "synth/PinkKernels.h"
#include "synth/SampleStep.h"

#include <algorithm>
#include <bit>
#include <cstddef>

namespace quavril {

namespace {

constexpr int Block = 512; // pink samples per block
// Row 0 is drawn at every sample; at most three rows change at one counter.
constexpr int MaxDrawsPerSample = 4;

inline void FillFloats(float* first, float* last, float v) {
    std::fill(first, last, v);
}

unsigned RowsOf(int32_t counter) {
    return pink_detail::Rows.rows[static_cast<uint32_t>(counter) & 2047];
}

// Each sample's thirteen rows are still added in row order in single precision, but the sums of
// many samples are formed side by side, and the random draws of a whole block are computed
// together before they are handed out, instead of each waiting for the previous one.
template <bool Both, bool SteadyPhase>
void PinkRun(GeneratorState& g, Channel first, const ChannelSettings& as, const ChannelSettings& bs,
             int32_t fs, int16_t* out, int stride, int32_t frames, int32_t n0) {
    constexpr int PerFrame = Both ? 2 : 1;
    alignas(32) float rows[13][Block];
    alignas(32) float sums[Block];
    alignas(32) float draws[Block * MaxDrawsPerSample + 1];
    double scales[Block];
    // Work on copies, so that the compiler can keep them in registers while it stores rows.
    std::array<float, 13> current = g.PinkRows;
    ChannelState a = g.Of(first);
    ChannelState b = g.Of(Channel::Right);
    // Rows 0 to 2 change every few samples and are stored at every sample; the slower rows
    // are written out in stretches when they change.
    constexpr int Stored = 3;
    for (int32_t frame = 0; frame < frames;) {
        const int32_t n = std::min<int32_t>(frames - frame, Block / PerFrame);
        int total = 0;
        for (int32_t i = 0; i < n; ++i)
            total += PerFrame * (1 + std::popcount(RowsOf(n0 + frame + i)));
        RandomFloats(g.NoiseSeed, draws, total);
        draws[total] = 0.0f; // read (and discarded) after the last sample
        const float* d = draws;
        int since[13] = {}; // row r holds current[r] from sample since[r] of the block on
        int calls = 0;
        auto draw = [&](unsigned bits) {
            rows[0][calls] = current[0] = d[0];
            // Rows 1 and 2 change at odd and even counters, never together; their draw comes
            // right after row 0's.
            current[1] = (bits & 1) ? d[1] : current[1];
            current[2] = (bits & 2) ? d[1] : current[2];
            rows[1][calls] = current[1];
            rows[2][calls] = current[2];
            const float* next = d + ((bits & 3) ? 2 : 1);
            for (unsigned slow = bits >> 2; slow != 0; slow &= slow - 1) {
                const int r = 3 + std::countr_zero(slow);
                FillFloats(&rows[r][since[r]], &rows[r][calls], current[r]);
                since[r] = calls;
                current[r] = *next++;
            }
            d = next;
            ++calls;
        };
        for (int32_t i = 0; i < n; ++i) {
            const int32_t counter = n0 + frame + i;
            const unsigned bits = RowsOf(counter);
            if constexpr (SteadyPhase)
                AdvanceSteady(a);
            else
                Advance(a, as, counter, fs);
            scales[calls] = ScaleOf(a);
            draw(bits);
            if constexpr (Both) {
                if constexpr (SteadyPhase)
                    AdvanceSteady(b);
                else
                    Advance(b, bs, counter, fs);
                scales[calls] = ScaleOf(b);
                draw(bits);
            }
        }
        const int padded = (calls + 7) & ~7;
        for (int r = 0; r < Stored; ++r)
            FillFloats(&rows[r][calls], &rows[r][padded], 0.0f);
        for (int r = Stored; r < 13; ++r)
            FillFloats(&rows[r][since[r]], &rows[r][padded], current[r]);
        SumPinkRows(rows[0], Block, sums, padded);
        // Samples go out in call order: interleaved left/right for both, every `stride` else.
        PinkSamples(sums, scales, out + static_cast<std::ptrdiff_t>(frame) * stride,
                    Both ? 1 : stride, calls);
        frame += n;
    }
    g.PinkRows = current;
    g.Of(first) = a;
    if constexpr (Both)
        g.Of(Channel::Right) = b;
}

} // namespace

void RenderPinkChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs,
                       int16_t* out, int stride, int32_t frames, int32_t n0) {
    if (Steady(g.Of(c), cs))
        PinkRun<false, true>(g, c, cs, cs, fs, out, stride, frames, n0);
    else
        PinkRun<false, false>(g, c, cs, cs, fs, out, stride, frames, n0);
}

void RenderPinkPair(GeneratorState& g, const ChannelSettings& left, const ChannelSettings& right,
                    int32_t fs, int16_t* out, int32_t frames, int32_t n0) {
    if (Steady(g.Of(Channel::Left), left) && Steady(g.Of(Channel::Right), right))
        PinkRun<true, true>(g, Channel::Left, left, right, fs, out, 2, frames, n0);
    else
        PinkRun<true, false>(g, Channel::Left, left, right, fs, out, 2, frames, n0);
}

} // namespace quavril
