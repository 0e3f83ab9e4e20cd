#include "audio/SampleWords.h"

#include "synth/Fade.h"

#include <cmath>
#include <cstring>

namespace quavril {

namespace {

int32_t ReadLittle(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int b = 0; b < bytes; ++b)
        v |= static_cast<uint32_t>(p[b]) << (8 * b);
    // Sign extension from the word's top bit.
    const int unused = 32 - 8 * bytes;
    return static_cast<int32_t>(v << unused) >> unused;
}

void WriteLittle(uint8_t* p, int bytes, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int b = 0; b < bytes; ++b)
        p[b] = static_cast<uint8_t>(v >> (8 * b));
}

// One sample word at `p` times `gain` (0..1).
void Scale(uint8_t* p, const WaveFormat& f, double gain) {
    if (f.IsFloat()) {
        float v;
        std::memcpy(&v, p, sizeof v);
        v = static_cast<float>(v * gain);
        std::memcpy(p, &v, sizeof v);
        return;
    }
    if (f.BitsPerSample == 8) { // unsigned, 128 is silence
        p[0] = static_cast<uint8_t>(128 + std::nearbyint((p[0] - 128) * gain));
        return;
    }
    const int bytes = f.BitsPerSample / 8;
    // Only the valid bits are scaled: 24 in a 32-bit word keep their lowest byte 0.
    const int shift = f.BitsPerSample - f.ValidBits();
    const int32_t v = ReadLittle(p, bytes) >> shift;
    const auto scaled = static_cast<int32_t>(std::nearbyint(v * gain));
    WriteLittle(p, bytes, static_cast<int32_t>(static_cast<uint32_t>(scaled) << shift));
}

} // namespace

void WidenPacked24(uint8_t* data, int64_t bytes) {
    // From the last sample backwards: a word never overwrites a sample not yet moved.
    for (int64_t i = bytes / 3 - 1; i >= 0; --i) {
        const uint8_t lo = data[3 * i], mid = data[3 * i + 1], hi = data[3 * i + 2];
        uint8_t* word = data + 4 * i;
        word[0] = 0;
        word[1] = lo;
        word[2] = mid;
        word[3] = hi;
    }
}

void FadeOut(uint8_t* data, int64_t frames, const WaveFormat& format) {
    const int sampleBytes = format.BitsPerSample / 8;
    for (int64_t i = 0; i < frames; ++i) {
        const double gain = FadeOutGain(i, frames);
        uint8_t* frame = data + i * format.BlockAlign;
        for (int c = 0; c < format.Channels; ++c)
            Scale(frame + c * sampleBytes, format, gain);
    }
}

} // namespace quavril
