#pragma once
#include "synth/Enumerations.h"
#include <array>
#include <string_view>

namespace quavril {

// The generator's controls by name. The names are the ones the stored settings, presets and
// messages use, so they are spelled exactly as the controls are.
enum class TextField : int {
    fInitLeft,
    fFinalLeft,
    fInitRight,
    fFinalRight,
    Duration,
    AmplitudeLeft,
    AmplitudeRight,
    PhaseEdit,
    ModPeriodLeftEdit,
    ModPeriodRightEdit,
    ModDepthLeftEdit,
    ModDepthRightEdit,
    ModPhaseLeftEdit,
    ModPhaseRightEdit,
};
constexpr int TextFieldCount = 14;

enum class FlagField : int {
    Loop,
    Lefttick,
    RightTick,
    chkConstantLeft,
    chkConstantRight,
    LogarithmicLeft,
    LogarithmicRight,
    BidirectionalLeft,
    BidirectionalRight,
    ModulationOnLeft,
    ModulationOnRight,
};
constexpr int FlagFieldCount = 11;

enum class IndexField : int {
    WaveFormLeft,
    WaveFormRight,
    ModFunctionLeft,
    ModFunctionRight,
    cboChannels,
    barAmplitudeLeft,
    barAmplitudeRight,
};
constexpr int IndexFieldCount = 7;

std::string_view NameOf(TextField f);
std::string_view NameOf(FlagField f);
std::string_view NameOf(IndexField f);

// The channel a per-channel field belongs to (Duration, Loop etc. answer Left).
Channel ChannelOf(TextField f);
Channel ChannelOf(FlagField f);
Channel ChannelOf(IndexField f);

// Per-channel twins.
TextField fInitOf(Channel c);
TextField fFinalOf(Channel c);
TextField AmplitudeOf(Channel c);
TextField ModPeriodOf(Channel c);
TextField ModDepthOf(Channel c);
TextField ModPhaseOf(Channel c);
FlagField ConstantOf(Channel c);
FlagField LogarithmicOf(Channel c);
FlagField BidirectionalOf(Channel c);
FlagField ModulationOnOf(Channel c);
FlagField TickOf(Channel c);
IndexField WaveFormOf(Channel c);
IndexField ModFunctionOf(Channel c);
IndexField AmplitudeBarOf(Channel c);

} // namespace quavril
