#pragma once
// The sample formats the generator hands to a device or writes into a wave file: the classic
// 16-bit PCM, 24-bit PCM in three little-endian bytes, and 32-bit IEEE float. Full scale is
// 32767, 8388607 and 1.0. The numeric values are what the stored settings keep.
#include <cmath>
#include <cstdint>
#include <cstring>

namespace quavril {

enum class SampleFormat : int {
    S16 = 0, // the classic path, bit-exact with every earlier release
    S24 = 1,
    F32 = 2,
};
constexpr int SampleFormatCount = 3;

constexpr int BytesPerSample(SampleFormat f) {
    return f == SampleFormat::S16 ? 2 : f == SampleFormat::S24 ? 3 : 4;
}
constexpr int BitsPerSample(SampleFormat f) {
    return 8 * BytesPerSample(f);
}
// The largest sample value of the integer formats; 1 for float.
constexpr double FullScale(SampleFormat f) {
    return f == SampleFormat::S16 ? 32767.0 : f == SampleFormat::S24 ? 8388607.0 : 1.0;
}

// The sample at `p` as a fraction of full scale (1.0 = full scale; the most negative integer
// sample gives slightly below -1).
inline double DecodeSample(const uint8_t* p, SampleFormat f) {
    switch (f) {
    case SampleFormat::S16:
        return static_cast<int16_t>(p[0] | p[1] << 8) / 32767.0;
    case SampleFormat::S24: {
        const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 |
                                               static_cast<uint32_t>(p[1]) << 16 |
                                               static_cast<uint32_t>(p[2]) << 24) >>
                          8;
        return v / 8388607.0;
    }
    case SampleFormat::F32: {
        float v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    }
    return 0;
}

// Writes `value` (a fraction of full scale) at `p` in format f: the integer formats round to
// nearest, ties to even, and clip to their range; float is written as it is.
inline void EncodeSample(uint8_t* p, SampleFormat f, double value) {
    if (f == SampleFormat::F32) {
        const float v = static_cast<float>(value);
        std::memcpy(p, &v, sizeof v);
        return;
    }
    const double full = FullScale(f);
    double scaled = std::nearbyint(value * full);
    if (!(scaled >= -full - 1))
        scaled = -full - 1; // also catches NaN
    if (scaled > full)
        scaled = full;
    const auto v = static_cast<uint32_t>(static_cast<int32_t>(scaled));
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    if (f == SampleFormat::S24)
        p[2] = static_cast<uint8_t>(v >> 16);
}

} // namespace quavril
