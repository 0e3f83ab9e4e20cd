#include "synth/ListItems.h"

#include <array>

namespace quavril {

namespace {
constexpr std::array<std::string_view, WaveformCount> Waveforms = {
    "Sine",       "Square",  "Triangular",     "Sawtooth",      "White noise",
    "Pink noise", "Silence", "Positive pulse", "Negative pulse"};
constexpr std::array<std::string_view, ModFunctionCount> Functions = {"Sine", "Cosine", "Square",
                                                                      "Triangular"};
} // namespace

std::string_view WaveformName(int waveform) {
    return waveform >= 0 && waveform < WaveformCount ? Waveforms[waveform] : std::string_view{};
}

std::string WaveformItemText(int waveform) {
    std::string text(WaveformName(waveform));
    if (waveform >= SILENCE && waveform < WaveformCount)
        text += std::string(40, ' ') + "Noise";
    return text;
}

std::string_view ModFunctionName(int function) {
    return function >= 0 && function < ModFunctionCount ? Functions[function] : std::string_view{};
}

std::string_view ChannelModeName(int mode) {
    return mode == STEREO ? "Stereo" : "Mono";
}

} // namespace quavril
