#pragma once
#include "synth/Enumerations.h"
#include <string>

namespace quavril {

// The settings of one channel as its controls hold them: numbers are kept as the texts the
// user typed; handlers turn them into GeneratorState. Values are the window's defaults.
struct ChannelSettings {
    int WaveForm = SINE;
    bool Constant = true;        // false: sweep from fInit to fFinal
    std::string fInit = "100";   // Hz; the frequency itself in constant mode
    std::string fFinal = "1000"; // Hz
    bool Logarithmic = false;
    bool Bidirectional = false;
    std::string Amplitude = "0"; // whole dBFS, -100..0
    int AmplitudeBar = 0;        // slider position = minus the dB value
    bool ModulationOn = false;
    int ModFunction = MODCOS;
    std::string ModPeriod = "1";  // seconds
    std::string ModDepth = "100"; // percent
    std::string ModPhase = "0";   // degrees
    bool Tick = true;             // channel audible
};

// Settings of the whole signal.
struct SignalSettings {
    std::string Duration = "5"; // seconds
    bool Loop = false;
    int Channels = MONO;         // ChannelMode, the cboChannels item index
    std::string PhaseEdit = "0"; // right channel against the left, degrees
};

} // namespace quavril
