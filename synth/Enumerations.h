#pragma once
// The list-valued settings. The numeric value of each enumerator is the item index of its
// list, which is also what the stored settings, the memory slots and the preset files hold.

namespace quavril {

enum Waveform : int {
    SINE = 0,
    SQUARE = 1,
    TRIANGULAR = 2,
    SAWTOOTH = 3,
    WHITE = 4, // white noise
    PINK = 5,  // pink noise
    SILENCE = 6,
    PULSEPOS = 7, // single positive pulse at the first frame of each period
    PULSENEG = 8, // single negative pulse
};
constexpr int WaveformCount = 9;

enum ModFunction : int {
    MODSINE = 0,
    MODCOS = 1,
    MODSQUARE = 2,
    MODTRIANGLE = 3,
};
constexpr int ModFunctionCount = 4;

enum ChannelMode : int {
    MONO = 0,
    STEREO = 1,
};

enum class Channel : int { Left = 0, Right = 1 };

} // namespace quavril
