#pragma once
#include <cstdint>

namespace quavril {

// Run-time numbers of one channel. The 32-bit widths are deliberate: sweeps and levels are
// computed from these rounded values, so a long logarithmic sweep ends near, not on, fFinal.
struct ChannelState {
    double Phase = 0;              // radians, kept in 0..2pi
    double Increment = 0;          // phase advance per sample, radians (2pi f / fs)
    double TargetIncrement = 0;    // what the constant-frequency glide approaches
    float SweepFactor = 1.0f;      // per-sample multiplier of Increment (logarithmic sweep)
    float SweepStep = 0.0f;        // per-sample addend of Increment, radians (linear sweep)
    float InitNorm = 0;            // fInit / fs, cycles per sample
    float FinalNorm = 0;           // fFinal / fs; equal to InitNorm in constant mode
    float SawValue = 0;            // running sawtooth value, -1..1
    float ModGain = 1.0f;          // current modulation gain, 1 when modulation is off
    float AmplitudeGain = 1.0f;    // 10^(dB/20)
    float ModDepthFraction = 1.0f; // depth / 100
    float ModPeriodSeconds = 1.0f;
    float ModPhaseRadians = 0.0f;
    int ChannelEnable = 1; // 16-bit multiplier: 1 when the channel is ticked, else 0

    // Back-and-forth sweeps: the upward pass's factor and step as derived, and which way the
    // current pass runs. Every turn takes its values from these, so nothing accumulates.
    float UpFactor = 1.0f;
    float UpStep = 0.0f;
    bool SweepDown = false;

    // The high-resolution path (24-bit, float, dither, band limits, fades) sweeps in double:
    // the increment of a pass is computed from its position, never accumulated.
    double PreciseInit = 0;     // 2pi fInit / fs, radians per sample
    double PreciseFinal = 0;    // 2pi fFinal / fs
    double PreciseStart = 0;    // increment at position 0 of the current pass
    double PreciseRate = 0;     // per update: log sweep ln(ratio), linear sweep radians
    double PreciseFactor = 1.0; // exp(PreciseRate) of a log sweep
    int64_t SweepPosition = -1; // updates since the current pass began; -1: none
    bool PreciseLog = false;    // the pass is logarithmic
    double PreciseSaw = 0;      // the sawtooth's running value, -1..1
};

} // namespace quavril
