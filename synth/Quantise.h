#pragma once
// The last step of the high-resolution path: samples computed before rounding on the classic
// scale (full scale 32767) are scaled to the output format's full scale and quantised once,
// with triangular dither where chosen.
#include "synth/SampleFormat.h"

#include <cstdint>

namespace quavril {

// The seed of the dither's random source at every start of a signal: the dither has a
// sequence of its own, so the noise waveforms' sequence does not depend on it.
inline constexpr uint32_t DitherSeedAtStart = 0x2545F491u;

// Writes the `count` samples of `in` into `out` in format `f`: scaled by FullScale(f) / 32767,
// then for the integer formats TPDF dither of +-1 LSB added (when `dither`; two draws of the
// random source `seed` per sample, their difference), rounded to nearest, ties to even, and
// clipped to the format's range; float is written as it is.
void QuantiseSamples(const double* in, int count, SampleFormat f, bool dither, uint32_t& seed,
                     uint8_t* out);

} // namespace quavril
