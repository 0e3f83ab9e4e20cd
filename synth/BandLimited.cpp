#include "synth/BandLimited.h"

#include "synth/Enumerations.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

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
        counts.push_back(std::min(MaxHarmonics, static_cast<int>(std::lround(32.0 * std::exp2(k / 8.0)))));
    return counts;
}

struct Classes {
    std::vector<int> counts = Counts();
    // For every allowed harmonic count 0..1024, the table with the most harmonics within it.
    std::array<int, MaxHarmonics + 1> classOf{};
    Classes() {
        int c = -1;
        for (int n = 0; n <= MaxHarmonics; ++n) {
            while (c + 1 < static_cast<int>(counts.size()) && counts[static_cast<size_t>(c + 1)] <= n)
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

} // namespace

int BandLimitedHarmonics(double increment) {
    // Harmonic k lies below half the rate while k * increment < pi.
    const double f = std::fabs(increment);
    if (!(f * MaxHarmonics < std::numbers::pi))
        return f > 0 && f < std::numbers::pi
                   ? static_cast<int>(std::ceil(std::numbers::pi / f)) - 1
                   : 0;
    return MaxHarmonics;
}

double BandLimitedValue(int waveform, double turn, double increment) {
    const int c = ClassOf(increment);
    if (c < 0)
        return 0.0;
    const double* t = TablesOf(waveform)[static_cast<size_t>(c)].data() + Guard;
    const double x = turn * Length;
    const double fl = std::floor(x);
    const int i = static_cast<int>(fl);
    const double d = x - fl;
    // Four-point (cubic Lagrange) interpolation between t[i] and t[i + 1].
    const double pm = t[i - 1], p0 = t[i], p1 = t[i + 1], p2 = t[i + 2];
    const double dm1 = d - 1.0, dm2 = d - 2.0, dp1 = d + 1.0;
    return -d * dm1 * dm2 * (1.0 / 6.0) * pm + dp1 * dm1 * dm2 * 0.5 * p0 -
           dp1 * d * dm2 * 0.5 * p1 + dp1 * d * dm1 * (1.0 / 6.0) * p2;
}

} // namespace quavril
