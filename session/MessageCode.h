#pragma once
// The numbered messages a running generator understands. The numbers are an external
// interface (other programs send them), so they never change. Codes between and around them
// that are not listed here have no action.
#include <cstdint>

namespace quavril {

enum class MessageCode : int32_t {
    On = 1024,                 // start playback
    Off = 1025,                // stop at once
    Pause = 1026,              // toggle pause
    Sync = 1027,               // wParam != 0: sync box ticked
    LeftSweep = 1030,          // wParam != 0: sweep, 0: constant frequency
    LeftFrequency = 1031,      // fInitLeft := wParam / 100
    LeftFrequencyAlias = 1032, // the same as 1031
    LeftFinalFrequency = 1033, // fFinalLeft := wParam / 100
    Duration = 1034,           // Duration := wParam / 10
    Loop = 1035,               // wParam > 0: ticked
    LeftLogarithmic = 1036,    // wParam > 0: ticked
    LeftBidirectional = 1037,  // wParam > 0: ticked
    Channels = 1038,           // 0 mono with both ticks; else stereo, bit 0 left, bit 1 right
    Phase = 1039,              // PhaseEdit := wParam (stereo with both channels only)
    LeftAmplitude = 1040,      // AmplitudeLeft := wParam
    LeftModulationOn = 1041,   // wParam > 0: ticked
    ModulationPeriod = 1042,   // left := wParam, right := lParam
    ModulationDepth = 1043,    // left := wParam, right := lParam
    ModulationFunction = 1044, // list positions: left := wParam, right := lParam
    ModulationPhase = 1045,    // left := wParam, right := lParam
    LeftWaveForm = 1046,       // list position := wParam
    WaveDevice = 1047,         // device list position := wParam + 1 (-1: default device)
    Memory = 1048,             // wParam 0: recall slot lParam, 1: store into slot lParam
    RenderAcknowledged = 1100, // the renderer's own acknowledge
};

constexpr int32_t CodeOf(MessageCode code) {
    return static_cast<int32_t>(code);
}

} // namespace quavril
