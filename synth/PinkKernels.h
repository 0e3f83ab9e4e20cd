#pragma once
// Vector kernels of the noise generators, at the active vector level (synth/SimdLevel.h). Each
// gives exactly what its per-sample definition in synth/Oscillator.h gives.
#include <cstdint>

namespace quavril {

// out[i] = static_cast<float>(NextRandom(seed)) for i < count, in draw order: the random
// sequence computed many draws at a time by jumping ahead.
void RandomFloats(uint32_t& seed, float* out, int count);

// A slow pink row (3 to 12) takes `value` from sample `call` of the block on.
struct PinkRowChange {
    int call;
    int row;
    float value;
};

// The row sums of a block of pink samples: sums[j] = rows 0, 1, 2, ..., 12 of sample j added
// in that order in single precision, for j < count (a multiple of 8). Rows 0 to 2 are stored
// sample by sample (row r at fast + r * pitch); rows 3 to 12 change seldom and are given as
// their values at the start of the block (tail[r - 3]) and their `changeCount` changes in call
// order.
void SumPinkRows(const float* fast, int pitch, const float* tail, const PinkRowChange* changes,
                 int changeCount, float* sums, int count);

// out[j * step] = Low16(RoundSample(PinkFromSum(sums[j]) * scales[j])) for j < count.
void PinkSamples(const float* sums, const double* scales, int16_t* out, int step, int count);

} // namespace quavril
