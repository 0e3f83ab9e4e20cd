#pragma once
// Work on the sample words of a buffer in the device's format: widening packed 24-bit samples
// into 32-bit words for a device that takes only those, and the fade-out of a stop.
#include "audio/WaveOutPort.h"

#include <cstdint>

namespace quavril {

// Bytes that `bytes` of packed 24-bit samples take as 32-bit words.
constexpr int64_t WidenedBytes(int64_t bytes) {
    return bytes / 3 * 4;
}

// Turns the first `bytes` bytes of `data` (packed 24-bit samples) into 32-bit words in place:
// each sample moves to the upper three bytes of its word, the lowest byte becomes 0. `data`
// must hold WidenedBytes(bytes).
void WidenPacked24(uint8_t* data, int64_t bytes);

// Multiplies frame i of the `frames` frames at `data` by FadeOutGain(i, frames): the sound
// falls along a raised cosine from just below full level to 0 at the last frame. Integer
// samples are rounded to nearest, ties to even; the unused low byte of 24 bits in a 32-bit
// word stays 0.
void FadeOut(uint8_t* data, int64_t frames, const WaveFormat& format);

} // namespace quavril
