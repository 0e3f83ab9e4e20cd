#pragma once
// Shaping functions and noise sources of the sample generators. Inline: they run per sample.
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "synth/ArcTan.h"
#include "synth/SimdLevel.h"
#include "synth/Sine.h"

#if QUAVRIL_X86_SIMD
#include <emmintrin.h>
#endif

namespace quavril {

inline constexpr long double TwoPiL = 2.0L * std::numbers::pi_v<long double>;

// Nearest integer, ties to even (the processor's default rounding).
inline int64_t RoundSample(double v) {
    if (!(std::fabs(v) < 9.0e18))
        return 0; // only reachable with absurd gains typed into a level edit
#if QUAVRIL_X86_SIMD
    return _mm_cvtsd_si64(_mm_set_sd(v)); // one instruction
#else
    return static_cast<int64_t>(std::nearbyint(v));
#endif
}

// The low 16 bits of a sample, as the buffers store it.
inline int16_t Low16(int64_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}

// +1 for x >= 0, else -1.
inline float SignOf(float x) {
    return x >= 0.0f ? 1.0f : -1.0f;
}

// Triangle of peak +-1 in phase with the sine: (2/pi) arctan(s / sqrt(1 - s^2)), that is
// (2/pi) arcsin(s), with s the sine rounded to 32 bits first, so only samples whose 32-bit sine
// is exactly +-1 reach full scale.
inline float TriangleOfSine(float s) {
    if (s == 1.0f || s == -1.0f)
        return s;
    const double ds = s;
    return static_cast<float>(2.0 / std::numbers::pi * ArcTan(ds / std::sqrt(1.0 - ds * ds)));
}

inline float TriangleOf(float theta) {
    return TriangleOfSine(static_cast<float>(Sine(theta)));
}

// Linear congruential generator shared by white and pink noise: r in [0, 1).
inline double NextRandom(uint32_t& seed) {
    seed = seed * 134775813u + 1u;
    return static_cast<double>(seed) * (1.0 / 4294967296.0);
}

// Pink noise from thirteen rows of random values, rows refreshed at rates halving with the
// row number, selected by the low bits of the frame counter n. Result in -1..1.
namespace pink_detail {
struct Pattern {
    uint32_t mask, value;
};
inline constexpr Pattern Patterns[12] = {{1, 1},     {3, 2},     {7, 4},      {15, 14},
                                         {31, 15},   {63, 31},   {127, 64},   {255, 129},
                                         {255, 238}, {511, 474}, {1023, 875}, {2047, 1875}};
// Which of rows 1..12 (bit k-1 for row k) a counter refreshes; only its low 11 bits matter.
struct RowTable {
    std::array<uint16_t, 2048> rows{};
    constexpr RowTable() {
        for (uint32_t n = 0; n < 2048; ++n)
            for (int k = 0; k < 12; ++k)
                if ((n & Patterns[k].mask) == Patterns[k].value)
                    rows[n] = static_cast<uint16_t>(rows[n] | (1u << k));
    }
};
inline constexpr RowTable Rows{};
} // namespace pink_detail

// The draws of one pink sample: row 0 always, then the rows the counter selects, in row order.
inline void PinkDraw(int64_t n, std::array<float, 13>& rows, uint32_t& seed) {
    rows[0] = static_cast<float>(NextRandom(seed));
    for (unsigned bits = pink_detail::Rows.rows[static_cast<uint32_t>(n) & 2047]; bits != 0;
         bits &= bits - 1)
        rows[1 + __builtin_ctz(bits)] = static_cast<float>(NextRandom(seed));
}

// The mean of the rows mapped onto -1..1; `sum` is the rows added in row order as 32-bit
// floats, starting from 0.
inline float PinkFromSum(float sum) {
    return static_cast<float>(static_cast<double>(sum) * (2.0 / 13.0) - 1.0);
}

inline float PinkNoise(int64_t n, std::array<float, 13>& rows, uint32_t& seed) {
    PinkDraw(n, rows, seed);
    float sum = 0.0f;
    for (float r : rows)
        sum += r;
    return PinkFromSum(sum);
}

} // namespace quavril
