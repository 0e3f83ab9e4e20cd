#pragma once
// The oscilloscope's time base and trigger. A periodic tone of known frequency shows about four
// periods, starting at a rising zero crossing of the left channel, so that the trace stands
// still; sweeps and noise (no frequency given) free-run over a fixed span.
#include <cstddef>
#include <optional>

namespace quavril {

struct ScopeTrace {
    static constexpr double Periods = 4.0;
    static constexpr double FreeRunSeconds = 0.02;
    static constexpr double LongestSeconds = 0.5;
    static constexpr size_t ShortestFrames = 16;

    // Frames shown at rate `fs` for a tone of `frequencyHz` (0 or less: free-run).
    static size_t SpanFrames(double fs, double frequencyHz);
    // Frames searched for a crossing before the newest possible start: one period and a bit.
    static size_t SearchFrames(double fs, double frequencyHz);

    // In `left` (`frames` samples, oldest first), the position (with its fraction) of the
    // latest rising zero crossing from which `span` frames still fit, looking back at most
    // `search` frames; empty when there is none (silence, a constant level).
    static std::optional<double> Trigger(const float* left, size_t frames, size_t span,
                                         size_t search);
};

} // namespace quavril
