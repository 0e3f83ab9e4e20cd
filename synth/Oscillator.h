#pragma once
// Shaping functions and noise sources of the sample generators. Inline: they run per sample.
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace quavril {

inline constexpr long double TwoPiL = 2.0L * std::numbers::pi_v<long double>;

// +1 for x >= 0, else -1.
inline float SignOf(float x) {
    return x >= 0.0f ? 1.0f : -1.0f;
}

// Triangle of peak +-1 in phase with the sine: (2/pi) arcsin(sin theta), with the sine rounded
// to 32 bits first, so only samples whose 32-bit sine is exactly +-1 reach full scale.
inline float TriangleOf(float theta) {
    const float s = static_cast<float>(std::sin(static_cast<long double>(theta)));
    if (s == 1.0f || s == -1.0f)
        return s;
    const long double ls = s;
    return static_cast<float>(2.0L / std::numbers::pi_v<long double> *
                              std::atan(ls / std::sqrt(1.0L - ls * ls)));
}

// Linear congruential generator shared by white and pink noise: r in [0, 1).
inline double NextRandom(uint32_t& seed) {
    seed = seed * 134775813u + 1u;
    return static_cast<double>(seed) * (1.0 / 4294967296.0);
}

// Pink noise from thirteen rows of random values, rows refreshed at rates halving with the
// row number, selected by the low bits of the frame counter n. Result in -1..1.
inline float PinkNoise(int32_t n, std::array<float, 13>& rows, uint32_t& seed) {
    struct Pattern {
        uint32_t mask, value;
    };
    static constexpr Pattern patterns[12] = {{1, 1},     {3, 2},     {7, 4},      {15, 14},
                                             {31, 15},   {63, 31},   {127, 64},   {255, 129},
                                             {255, 238}, {511, 474}, {1023, 875}, {2047, 1875}};
    rows[0] = static_cast<float>(NextRandom(seed));
    const uint32_t u = static_cast<uint32_t>(n);
    for (int row = 1; row <= 12; ++row) {
        const Pattern& p = patterns[row - 1];
        if ((u & p.mask) == p.value)
            rows[row] = static_cast<float>(NextRandom(seed));
    }
    float sum = 0.0f;
    for (float r : rows)
        sum += r;
    return static_cast<float>(static_cast<long double>(sum) * (2.0L / 13.0L) - 1.0L);
}

} // namespace quavril
