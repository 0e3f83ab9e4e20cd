#pragma once
// Sine of many phases at once: out[i] = Sine(x[i]) bit for bit, with the two kernels of
// Sine evaluated side by side in vector registers where the processor has them.
namespace quavril {

void SineBlock(const double* x, double* out, int count);

} // namespace quavril
