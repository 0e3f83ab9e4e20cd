#include "synth/PinkRender.h"

#include "synth/PinkKernels.h"
#include "synth/SampleStep.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <type_traits>

namespace quavril {

namespace {

constexpr int Block = 512; // pink samples per block
// Draws of one pink sample at each counter: row 0 and the rows the counter refreshes; and
// their running total over the counters below.
struct DrawTable {
    std::array<uint8_t, 2048> draws{};
    std::array<int, 2049> before{};
    int maxDraws = 0;       // at any one counter
    int maxSlowChanges = 0; // of rows 3 to 12 at any one counter
    constexpr DrawTable() {
        for (uint32_t n = 0; n < 2048; ++n) {
            const unsigned rows = pink_detail::Rows.rows[n];
            draws[n] = static_cast<uint8_t>(1 + std::popcount(rows));
            before[n + 1] = before[n] + draws[n];
            maxDraws = std::max<int>(maxDraws, draws[n]);
            maxSlowChanges = std::max(maxSlowChanges, std::popcount(rows >> 2));
        }
    }
    // The draws of one sample at each of the counters start .. start + n - 1 (n <= 2048).
    constexpr int Between(uint32_t start, int32_t n) const {
        const uint32_t first = start & 2047, end = first + static_cast<uint32_t>(n);
        if (end <= 2048)
            return before[end] - before[first];
        return before[2048] - before[first] + before[end - 2048];
    }
};
constexpr DrawTable Draws{};

// Each sample's thirteen rows are still added in row order in single precision, but the sums of
// many samples are formed side by side, the random draws of a whole block are computed together
// before they are handed out, and the slow rows are kept as lists of their changes instead of
// being written out sample by sample.
// The samples of a block: classic 16-bit, or the values before rounding on the
// high-resolution path.
void Samples(const float* sums, const double* scales, int16_t* out, int step, int count) {
    PinkSamples(sums, scales, out, step, count);
}
void Samples(const float* sums, const double* scales, double* out, int step, int count) {
    for (int j = 0; j < count; ++j)
        out[static_cast<std::ptrdiff_t>(j) * step] = PinkFromSum(sums[j]) * scales[j];
}

template <bool Both, bool SteadyPhase, typename T>
void PinkRun(GeneratorState& g, Channel first, const ChannelSettings& as, const ChannelSettings& bs,
             int32_t fs, T* out, int stride, int32_t frames, int64_t n0) {
    constexpr bool Precise = std::is_same_v<T, double>;
    constexpr int PerFrame = Both ? 2 : 1;
    alignas(32) float rows[3][Block];
    alignas(32) float sums[Block];
    alignas(32) float draws[Block * Draws.maxDraws + 1];
    double scales[Block];
    // The changes of rows 3 to 12 in a block, in call order.
    PinkRowChange changes[Block * Draws.maxSlowChanges];
    std::array<float, 13> current = g.PinkRows;
    ChannelState a = g.Of(first);
    ChannelState b = g.Of(Channel::Right);
    if constexpr (SteadyPhase) {
        // Without modulation or glide the scales stay as they are over the whole run.
        for (int j = 0; j < Block; j += PerFrame) {
            scales[j] = ScaleOf(a);
            if constexpr (Both)
                scales[j + 1] = ScaleOf(b);
        }
    }
    for (int32_t frame = 0; frame < frames;) {
        const int32_t n = std::min<int32_t>(frames - frame, Block / PerFrame);
        const uint32_t start = static_cast<uint32_t>(n0 + frame);
        const int total = PerFrame * Draws.Between(start, n);
        RandomFloats(g.NoiseSeed, draws, total);
        draws[total] = 0.0f; // read (and discarded) after the last sample

        // Rows 0 to 2 change every few samples: stored sample by sample. Rows 1 and 2 change
        // at odd and even counters, never together; their draw comes right after row 0's.
        // Rows 3 to 12 change seldom: listed as changes, in call order (a frame's left call
        // before its right one).
        float tail[10];
        for (int r = 3; r < 13; ++r)
            tail[r - 3] = current[r];
        int changeCount = 0;
        float r1 = current[1], r2 = current[2];
        int pos = 0;
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t idx = (start + i) & 2047;
            const unsigned bits = pink_detail::Rows.rows[idx];
            const int k = Draws.draws[idx];
            const int call = PerFrame * i;
            if constexpr (SteadyPhase) {
                AdvanceSteady(a);
            } else {
                Advance<Precise>(a, as, n0 + frame + i, fs);
                scales[call] = ScaleOf(a);
            }
            rows[0][call] = draws[pos];
            r1 = (bits & 1) ? draws[pos + 1] : r1;
            r2 = (bits & 2) ? draws[pos + 1] : r2;
            rows[1][call] = r1;
            rows[2][call] = r2;
            if constexpr (Both) {
                if constexpr (SteadyPhase) {
                    AdvanceSteady(b);
                } else {
                    Advance<Precise>(b, bs, n0 + frame + i, fs);
                    scales[call + 1] = ScaleOf(b);
                }
                rows[0][call + 1] = draws[pos + k];
                r1 = (bits & 1) ? draws[pos + k + 1] : r1;
                r2 = (bits & 2) ? draws[pos + k + 1] : r2;
                rows[1][call + 1] = r1;
                rows[2][call + 1] = r2;
            }
            if (const unsigned slow = bits >> 2) {
                const int first = pos + ((bits & 3) ? 2 : 1);
                for (int c = 0; c < PerFrame; ++c) {
                    int at = first + c * k;
                    for (unsigned rest = slow; rest != 0; rest &= rest - 1)
                        changes[changeCount++] = {call + c, 3 + std::countr_zero(rest),
                                                  draws[at++]};
                }
            }
            pos += PerFrame * k;
        }
        const int calls = PerFrame * n;
        const int padded = (calls + 7) & ~7;
        current[0] = rows[0][calls - 1];
        current[1] = r1;
        current[2] = r2;
        for (int r = 0; r < 3; ++r)
            std::fill(&rows[r][calls], &rows[r][padded], 0.0f);

        for (int c = 0; c < changeCount; ++c)
            current[changes[c].row] = changes[c].value;
        SumPinkRows(rows[0], Block, tail, changes, changeCount, sums, padded);
        // Samples go out in call order: interleaved left/right for both, every `stride` else.
        Samples(sums, scales, out + static_cast<std::ptrdiff_t>(frame) * stride, Both ? 1 : stride,
                calls);
        frame += n;
    }
    g.PinkRows = current;
    g.Of(first) = a;
    if constexpr (Both)
        g.Of(Channel::Right) = b;
}

template <typename T>
void PinkChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs, T* out,
                 int stride, int32_t frames, int64_t n0) {
    if (Steady(g.Of(c), cs))
        PinkRun<false, true>(g, c, cs, cs, fs, out, stride, frames, n0);
    else
        PinkRun<false, false>(g, c, cs, cs, fs, out, stride, frames, n0);
}

template <typename T>
void PinkPair(GeneratorState& g, const ChannelSettings& left, const ChannelSettings& right,
              int32_t fs, T* out, int32_t frames, int64_t n0) {
    if (Steady(g.Of(Channel::Left), left) && Steady(g.Of(Channel::Right), right))
        PinkRun<true, true>(g, Channel::Left, left, right, fs, out, 2, frames, n0);
    else
        PinkRun<true, false>(g, Channel::Left, left, right, fs, out, 2, frames, n0);
}

} // namespace

void RenderPinkChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs,
                       int16_t* out, int stride, int32_t frames, int64_t n0) {
    PinkChannel(g, c, cs, fs, out, stride, frames, n0);
}
void RenderPinkChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs,
                       double* out, int stride, int32_t frames, int64_t n0) {
    PinkChannel(g, c, cs, fs, out, stride, frames, n0);
}

void RenderPinkPair(GeneratorState& g, const ChannelSettings& left, const ChannelSettings& right,
                    int32_t fs, int16_t* out, int32_t frames, int64_t n0) {
    PinkPair(g, left, right, fs, out, frames, n0);
}
void RenderPinkPair(GeneratorState& g, const ChannelSettings& left, const ChannelSettings& right,
                    int32_t fs, double* out, int32_t frames, int64_t n0) {
    PinkPair(g, left, right, fs, out, frames, n0);
}

} // namespace quavril
