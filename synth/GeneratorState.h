#pragma once
#include "synth/ChannelState.h"
#include "synth/Enumerations.h"
#include <array>
#include <cstdint>

namespace quavril {

// Everything the sample generators compute from. One per generator window.
struct GeneratorState {
    std::array<ChannelState, 2> Channels{};
    // 64 bits: a long duration (123,456 s at 44,100 Hz is over 5e9 frames) plays as typed.
    // Nothing stored or sent carries these two.
    int64_t SampleCounter = 0; // frame index within the signal period
    int64_t TotalSamples = 0;  // frames per period, Round(duration * fs)
    float PhaseOffset = 0.0f;  // right channel against the left, radians
    std::array<float, 13> PinkRows{};
    uint32_t NoiseSeed = 0; // never reseeded while the program runs
    bool RenderAcknowledged = false;
    bool FillBusy = false;

    ChannelState& Of(Channel c) { return Channels[static_cast<int>(c)]; }
    const ChannelState& Of(Channel c) const { return Channels[static_cast<int>(c)]; }
};

} // namespace quavril
