#include "analysis/ScopeTrace.h"

#include <algorithm>
#include <cmath>

namespace quavril {

size_t ScopeTrace::SpanFrames(double fs, double frequencyHz) {
    const double seconds = frequencyHz > 0 ? Periods / frequencyHz : FreeRunSeconds;
    const double frames = std::min(seconds, LongestSeconds) * fs;
    return std::max(static_cast<size_t>(std::lround(frames)), ShortestFrames);
}

size_t ScopeTrace::SearchFrames(double fs, double frequencyHz) {
    if (frequencyHz <= 0)
        return 0;
    const double period = fs / frequencyHz;
    return static_cast<size_t>(std::min(period, LongestSeconds * fs)) + 2;
}

std::optional<double> ScopeTrace::Trigger(const float* left, size_t frames, size_t span,
                                          size_t search) {
    if (frames < span + 1)
        return std::nullopt;
    // A crossing at i - 1 + t (between samples i - 1 and i) leaves room for `span` frames when
    // i + span <= frames.
    const size_t newest = frames - span;
    const size_t oldest = newest > search ? newest - search : 1;
    for (size_t i = newest; i >= oldest; --i) {
        const float before = left[i - 1], after = left[i];
        if (before < 0.0f && after >= 0.0f)
            return static_cast<double>(i - 1) + before / (before - after);
    }
    return std::nullopt;
}

} // namespace quavril
