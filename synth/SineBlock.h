#pragma once
// Sine of many phases at once: out[i] = Sine(x[i]) (quadrant 0) or Cosine(x[i]) (quadrant 1)
// bit for bit, with the two kernels evaluated side by side in vector registers at the active
// vector level (synth/SimdLevel.h).
namespace quavril {

void SineBlock(const double* x, double* out, int count, int quadrant = 0);

// out[i * stride] = Low16(RoundSample(values[i] * scales[i])): the classic samples of a block
// of waveform values, the products rounded to nearest (ties to even) and truncated to their low
// 16 bits, four at a time where the vector level allows.
void ScaledSamples(const double* values, const double* scales, short* out, int stride, int count);

} // namespace quavril
