#pragma once
// Block rendering of pink noise, bit for bit what NextSample gives sample by sample.
#include "synth/ChannelSettings.h"
#include "synth/GeneratorState.h"

#include <cstdint>

namespace quavril {

// Pink noise of channel `c` over `frames` frames from counter n0, every `stride` samples.
void RenderPinkChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs,
                       int16_t* out, int stride, int32_t frames, int64_t n0);
// The same, each sample before rounding, on the high-resolution path.
void RenderPinkChannel(GeneratorState& g, Channel c, const ChannelSettings& cs, int32_t fs,
                       double* out, int stride, int32_t frames, int64_t n0);

// Pink noise of both channels, interleaved, left first in every frame: they share the rows
// and the random sequence.
void RenderPinkPair(GeneratorState& g, const ChannelSettings& left, const ChannelSettings& right,
                    int32_t fs, int16_t* out, int32_t frames, int64_t n0);
void RenderPinkPair(GeneratorState& g, const ChannelSettings& left, const ChannelSettings& right,
                    int32_t fs, double* out, int32_t frames, int64_t n0);

} // namespace quavril
