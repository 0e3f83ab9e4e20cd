#pragma once
// The raised-cosine fade of soft starts and stops. A fade of N frames multiplies frame i of
// the signal's start by FadeInGain(i, N) (0 at the first frame, rising to just below 1) and
// frame i of the last N frames before silence by FadeOutGain(i, N) (the mirror image: just
// below 1 at the first of them, 0 at the last).
#include <cmath>
#include <cstdint>
#include <numbers>

namespace quavril {

// Frames of a fade of `ms` milliseconds at `fs` frames a second, rounded to nearest.
inline int64_t FadeFrames(int ms, int32_t fs) {
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(ms) * fs / 1000.0));
}

inline double FadeInGain(int64_t i, int64_t frames) {
    if (i >= frames)
        return 1.0;
    if (i <= 0)
        return 0.0;
    return 0.5 -
           0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(frames));
}

inline double FadeOutGain(int64_t i, int64_t frames) {
    return FadeInGain(frames - 1 - i, frames);
}

} // namespace quavril
