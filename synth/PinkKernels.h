#pragma once
// Vector kernels of the noise generators, at the active vector level (synth/SimdLevel.h). Each
// gives exactly what its per-sample definition in synth/Oscillator.h gives.
#include <cstdint>

namespace quavril {

// out[i] = static_cast<float>(NextRandom(seed)) for i < count, in draw order: the random
// sequence computed many draws at a time by jumping ahead.
void RandomFloats(uint32_t& seed, float* out, int count);

// sums[j] = rows[0][j] + rows[1][j] + ... + rows[12][j], added in that order in single
// precision, for j < count (a multiple of 8); row r starts at rows + r * pitch.
void SumPinkRows(const float* rows, int pitch, float* sums, int count);

// out[j * step] = Low16(RoundSample(PinkFromSum(sums[j]) * scales[j])) for j < count.
void PinkSamples(const float* sums, const double* scales, int16_t* out, int step, int count);

} // namespace quavril
