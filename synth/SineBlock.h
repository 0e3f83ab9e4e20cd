#pragma once
// Sine of many phases at once: out[i] = Sine(x[i]) (quadrant 0) or Cosine(x[i]) (quadrant 1)
// bit for bit, with the two kernels evaluated side by side in vector registers at the active
// vector level (synth/SimdLevel.h).
namespace quavril {

void SineBlock(const double* x, double* out, int count, int quadrant = 0);

} // namespace quavril
