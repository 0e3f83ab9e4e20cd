#pragma once
// Band-limited square, triangle and sawtooth: the Fourier series of the classic shapes, cut
// below half the sampling rate. One table per harmonic count (every count up to 32, then
// eight counts an octave up to 1024), read with four-point interpolation; the table for a
// sample is the one with the most harmonics that all lie below half the rate at the sample's
// frequency, so constant tones, glides and sweeps stay free of aliases. The fundamental has
// the classic shape's level and phase; the shapes have no DC. The cut series overshoots by
// the Gibbs ripple (a square peaks about 18 % above its level).

namespace quavril {

// The band-limited shape `waveform` (SQUARE, TRIANGULAR or SAWTOOTH) at `turn` (0 <= turn
// < 1: the fraction of the period, 0 where the classic shape's sine starts) for a frequency
// of `increment` radians per sample. Tables are made on first use.
double BandLimitedValue(int waveform, double turn, double increment);

// BandLimitedValue of `count` samples at once, bit for bit: out[i] = BandLimitedValue(waveform,
// turns[i], increments[i]). The increments must run one way (as within a period of a sweep or
// a glide); the interpolation runs four samples at a time where the vector level allows.
void BandLimitedBlock(int waveform, const double* turns, const double* increments, double* out,
                      int count);

// The harmonic count of the table used at `increment` radians per sample: every harmonic
// below half the sampling rate, at most 1024.
int BandLimitedHarmonics(double increment);

} // namespace quavril
