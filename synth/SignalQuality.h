#pragma once
// How the signal is quantised and shaped on its way out: an output setting like the sampling
// rate, shared by playback, the wave export and the command-line tool. The defaults are the
// classic signal: 16-bit, no dither, the plain shapes, hard edges.
#include "synth/SampleFormat.h"

namespace quavril {

enum class DitherKind : int {
    None = 0,
    Tpdf = 1, // triangular, +-1 LSB of the target format (16 and 24-bit)
};
constexpr int DitherKindCount = 2;

struct SignalQuality {
    static constexpr int MaxFadeMs = 1000;

    SampleFormat Format = SampleFormat::S16;
    DitherKind Dither = DitherKind::None;
    bool BandLimited = false; // square, triangle and sawtooth without components above fs/2
    int FadeMs = 0;           // raised-cosine fade at start and stop, 0..1000 ms

    // The classic 16-bit path without dither, band limits or fades.
    bool Classic() const {
        return Format == SampleFormat::S16 && Dither == DitherKind::None && !BandLimited &&
               FadeMs == 0;
    }
    bool operator==(const SignalQuality&) const = default;
};

} // namespace quavril
