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
};

} // namespace quavril
