#include "synth/BandLimited.h"

#include "synth/Enumerations.h"
#include "synth/SimdLevel.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

#if QUAVRIL_X86_SIMD
#include <immintrin.h>
#endif

namespace quavril {

namespace {

constexpr int Length = 4096;       // points per period of a table
constexpr int MaxHarmonics = 1024; // a quarter of the points: interpolation images stay far down
constexpr int Guard = 4;           // points before and after the period for the interpolation

// The harmonic counts that have a table: 1 to 32, then eight an octave up to 1024.
std::vector<int> Counts() {
    std::vector<int> counts;
    for (int n = 1; n <= 32; ++n)
        counts.push_back(n);
    for (int k = 1; counts.back() < MaxHarmonics; ++k)
        counts.push_back(
            std::min(MaxHarmonics, static_cast<int>(std::lround(32.0 * std::exp2(k / 8.0)))));
    return counts;
}

struct Classes {
    std::vector<int> counts = Counts();
    // For every allowed harmonic count 0..1024, the table with the most harmonics within it.
    std::array<int, MaxHarmonics + 1> classOf{};
    Classes() {
        int c = -1;
        for (int n = 0; n <= MaxHarmonics; ++n) {
            while (c + 1 < static_cast<int>(counts.size()) &&
                   counts[static_cast<size_t>(c + 1)] <= n)
                ++c;
            classOf[static_cast<size_t>(n)] = c; // -1: no harmonic fits
        }
    }
};
const Classes& TheClasses() {
    static const Classes classes;
    return classes;
}

// Amplitude of harmonic k of a shape (a sine series in phase with the classic shape).
double Amplitude(int waveform, int k) {
    constexpr double pi = std::numbers::pi;
    switch (waveform) {
    case SQUARE: // sign(sin x) = 4/pi sum over odd k of sin(kx)/k
        return k % 2 ? 4.0 / (pi * k) : 0.0;
    case TRIANGULAR: // (2/pi) arcsin(sin x) = 8/pi^2 sum over odd k of (-1)^((k-1)/2) sin(kx)/k^2
        return k % 2 ? (k % 4 == 1 ? 1.0 : -1.0) * 8.0 / (pi * pi * k * k) : 0.0;
    default: // x/pi on (-pi, pi] = 2/pi sum of (-1)^(k+1) sin(kx)/k
        return (k % 2 ? 2.0 : -2.0) / (pi * k);
    }
}

// Every table of one shape, each with Guard points either side of its period.
using Tables = std::vector<std::vector<double>>;
Tables MakeTables(int waveform) {
    std::vector<double> sine(Length);
    for (int j = 0; j < Length; ++j)
        sine[static_cast<size_t>(j)] =
            static_cast<double>(std::sin(2.0L * std::numbers::pi_v<long double> * j / Length));
    const Classes& classes = TheClasses();
    Tables tables;
    std::vector<double> sum(Length, 0.0);
    int done = 0;
    for (int count : classes.counts) {
        for (int k = done + 1; k <= count; ++k) {
            const double a = Amplitude(waveform, k);
            if (a == 0.0)
                continue;
            for (int j = 0; j < Length; ++j) // sin(2 pi k j / L) is an entry of the base table
                sum[static_cast<size_t>(j)] += a * sine[static_cast<size_t>((k * j) % Length)];
        }
        done = count;
        std::vector<double> table(Length + 2 * Guard);
        for (int j = -Guard; j < Length + Guard; ++j)
            table[static_cast<size_t>(j + Guard)] = sum[static_cast<size_t>((j + Length) % Length)];
        tables.push_back(std::move(table));
    }
    return tables;
}

const Tables& TablesOf(int waveform) {
    static const Tables square = MakeTables(SQUARE);
    static const Tables triangle = MakeTables(TRIANGULAR);
    static const Tables saw = MakeTables(SAWTOOTH);
    return waveform == SQUARE ? square : waveform == TRIANGULAR ? triangle : saw;
}

int ClassOf(double increment) {
    const int n = BandLimitedHarmonics(increment);
    return TheClasses().classOf[static_cast<size_t>(n)];
}

// The table (its period's first point) of a shape at an increment; null where no harmonic
// fits. The last choice of each shape is kept: a constant tone looks its table up once. (The
// synthesis runs on one thread.)
const double* TableFor(int waveform, double increment) {
    struct Last {
        double increment = -1;
        const double* table = nullptr;
    };
    static Last last[3];
    Last& l = last[waveform == SQUARE ? 0 : waveform == TRIANGULAR ? 1 : 2];
    if (increment != l.increment) {
        const int c = ClassOf(increment);
        l.table = c < 0 ? nullptr : TablesOf(waveform)[static_cast<size_t>(c)].data() + Guard;
        l.increment = increment;
    }
    return l.table;
}

} // namespace

int BandLimitedHarmonics(double increment) {
    // Harmonic k lies below half the rate while k * increment < pi.
    const double f = std::fabs(increment);
    if (!(f * MaxHarmonics < std::numbers::pi))
        return f > 0 && f < std::numbers::pi ? static_cast<int>(std::ceil(std::numbers::pi / f)) - 1
                                             : 0;
    return MaxHarmonics;
}

namespace {

// Four-point (cubic Lagrange) interpolation in table `t` at `turn` of the period, in the order
// of operations the vector kernel repeats.
inline double Interpolate(const double* t, double turn) {
    const double x = turn * Length;
    const double fl = std::floor(x);
    const int i = static_cast<int>(fl);
    const double d = x - fl;
    const double pm = t[i - 1], p0 = t[i], p1 = t[i + 1], p2 = t[i + 2];
    const double dm1 = d - 1.0, dm2 = d - 2.0, dp1 = d + 1.0;
    const double a = -d * dm1 * dm2 * (1.0 / 6.0) * pm;
    const double b = dp1 * dm1 * dm2 * 0.5 * p0;
    const double c = dp1 * d * dm2 * 0.5 * p1;
    const double e = dp1 * d * dm1 * (1.0 / 6.0) * p2;
    return ((a + b) - c) + e;
}

#if QUAVRIL_X86_SIMD
// Interpolate of four turns in one table; returns how many leading samples it wrote.
[[gnu::target("avx2")]] int InterpolateAvx2(const double* t, const double* turns, double* out,
                                            int count) {
    const __m256d length = _mm256_set1_pd(Length);
    const __m256d one = _mm256_set1_pd(1.0), two = _mm256_set1_pd(2.0);
    const __m256d sixth = _mm256_set1_pd(1.0 / 6.0), half = _mm256_set1_pd(0.5);
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256d zero = _mm256_setzero_pd();
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d x = _mm256_mul_pd(_mm256_loadu_pd(turns + i), length);
        const __m256d fl = _mm256_floor_pd(x);
        const __m128i idx = _mm256_cvttpd_epi32(fl);
        const __m256d d = _mm256_sub_pd(x, fl);
        // The masked gathers with a defined source: the plain ones read an undefined register.
        const __m256d pm = _mm256_mask_i32gather_pd(zero, t - 1, idx, all, 8);
        const __m256d p0 = _mm256_mask_i32gather_pd(zero, t, idx, all, 8);
        const __m256d p1 = _mm256_mask_i32gather_pd(zero, t + 1, idx, all, 8);
        const __m256d p2 = _mm256_mask_i32gather_pd(zero, t + 2, idx, all, 8);
        const __m256d dm1 = _mm256_sub_pd(d, one), dm2 = _mm256_sub_pd(d, two);
        const __m256d dp1 = _mm256_add_pd(d, one);
        const __m256d a = _mm256_mul_pd(
            _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_xor_pd(d, sign), dm1), dm2), sixth),
            pm);
        const __m256d b =
            _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(dp1, dm1), dm2), half), p0);
        const __m256d c =
            _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(dp1, d), dm2), half), p1);
        const __m256d e =
            _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(dp1, d), dm1), sixth), p2);
        _mm256_storeu_pd(out + i, _mm256_add_pd(_mm256_sub_pd(_mm256_add_pd(a, b), c), e));
    }
    return i;
}
#endif

} // namespace

double BandLimitedValue(int waveform, double turn, double increment) {
    const double* t = TableFor(waveform, increment);
    return t ? Interpolate(t, turn) : 0.0;
}

void BandLimitedBlock(int waveform, const double* turns, const double* increments, double* out,
                      int count) {
    if (count <= 0)
        return;
    // The classes follow the increment, which runs one way: when the first and the last sample
    // use one table, every sample between does.
    const double* t = TableFor(waveform, increments[0]);
    if (!t || TableFor(waveform, increments[count - 1]) != t) {
        for (int i = 0; i < count; ++i)
            out[i] = BandLimitedValue(waveform, turns[i], increments[i]);
        return;
    }
    int i = 0;
#if QUAVRIL_X86_SIMD
    if (ActiveSimdLevel() == SimdLevel::Avx2)
        i = InterpolateAvx2(t, turns, out, count);
#endif
    for (; i < count; ++i)
        out[i] = Interpolate(t, turns[i]);
}

} // namespace quavril
