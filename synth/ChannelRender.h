#pragma once
// Block rendering of one channel, bit for bit what NextSample gives sample by sample, with the
// sines of a block evaluated together.
#include "synth/ChannelSettings.h"
#include "synth/GeneratorState.h"

#include <cstdint>

namespace quavril {

// Channel `c` playing `waveform` over `frames` frames from counter n0, its low 16 bits written
// every `stride` samples. The counter itself is not advanced.
void RenderChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int waveform,
                   int32_t fs, int16_t* out, int stride, int32_t frames, int64_t n0);

// The same on the high-resolution path: each sample before rounding (full scale 32767), with
// the sweeps and shapes in double and, when `bandLimited`, the band-limited shapes.
void RenderChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int waveform,
                   int32_t fs, bool bandLimited, double* out, int stride, int32_t frames,
                   int64_t n0);

} // namespace quavril
