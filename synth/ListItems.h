#pragma once
// Item texts of the picture lists. The waveform texts are keys as well as labels: "noise"
// (case-sensitive) finds only white and pink noise, "oise" also finds silence and the pulses,
// whose texts carry a trailing "Noise" pushed out of sight by 40 blanks.
#include "synth/Enumerations.h"
#include <string>
#include <string_view>

namespace quavril {

// The visible name of a waveform ("Sine", "White noise", ...).
std::string_view WaveformName(int waveform);
// The list item text: the name, and for silence and the pulses 40 blanks and "Noise".
std::string WaveformItemText(int waveform);
// Modulation shapes ("Sine", "Cosine", "Square", "Triangular").
std::string_view ModFunctionName(int function);
// Channel modes ("Mono", "Stereo").
std::string_view ChannelModeName(int mode);

} // namespace quavril
