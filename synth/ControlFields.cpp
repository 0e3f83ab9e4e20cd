#include "synth/ControlFields.h"

namespace quavril {
namespace {
constexpr std::array<std::string_view, TextFieldCount> TextNames = {
    "fInitLeft",         "fFinalLeft",         "fInitRight",       "fFinalRight",
    "Duration",          "AmplitudeLeft",      "AmplitudeRight",   "PhaseEdit",
    "ModPeriodLeftEdit", "ModPeriodRightEdit", "ModDepthLeftEdit", "ModDepthRightEdit",
    "ModPhaseLeftEdit",  "ModPhaseRightEdit"};
constexpr std::array<std::string_view, FlagFieldCount> FlagNames = {"Loop",
                                                                    "Lefttick",
                                                                    "RightTick",
                                                                    "chkConstantLeft",
                                                                    "chkConstantRight",
                                                                    "LogarithmicLeft",
                                                                    "LogarithmicRight",
                                                                    "BidirectionalLeft",
                                                                    "BidirectionalRight",
                                                                    "ModulationOnLeft",
                                                                    "ModulationOnRight"};
constexpr std::array<std::string_view, IndexFieldCount> IndexNames = {
    "WaveFormLeft", "WaveFormRight",    "ModFunctionLeft",  "ModFunctionRight",
    "cboChannels",  "barAmplitudeLeft", "barAmplitudeRight"};

constexpr bool IsRight(Channel c) {
    return c == Channel::Right;
}
} // namespace

std::string_view NameOf(TextField f) {
    return TextNames[static_cast<int>(f)];
}
std::string_view NameOf(FlagField f) {
    return FlagNames[static_cast<int>(f)];
}
std::string_view NameOf(IndexField f) {
    return IndexNames[static_cast<int>(f)];
}

Channel ChannelOf(TextField f) {
    switch (f) {
    case TextField::fInitRight:
    case TextField::fFinalRight:
    case TextField::AmplitudeRight:
    case TextField::PhaseEdit:
    case TextField::ModPeriodRightEdit:
    case TextField::ModDepthRightEdit:
    case TextField::ModPhaseRightEdit:
        return Channel::Right;
    default:
        return Channel::Left;
    }
}

Channel ChannelOf(FlagField f) {
    switch (f) {
    case FlagField::RightTick:
    case FlagField::chkConstantRight:
    case FlagField::LogarithmicRight:
    case FlagField::BidirectionalRight:
    case FlagField::ModulationOnRight:
        return Channel::Right;
    default:
        return Channel::Left;
    }
}

Channel ChannelOf(IndexField f) {
    switch (f) {
    case IndexField::WaveFormRight:
    case IndexField::ModFunctionRight:
    case IndexField::barAmplitudeRight:
        return Channel::Right;
    default:
        return Channel::Left;
    }
}

TextField fInitOf(Channel c) {
    return IsRight(c) ? TextField::fInitRight : TextField::fInitLeft;
}
TextField fFinalOf(Channel c) {
    return IsRight(c) ? TextField::fFinalRight : TextField::fFinalLeft;
}
TextField AmplitudeOf(Channel c) {
    return IsRight(c) ? TextField::AmplitudeRight : TextField::AmplitudeLeft;
}
TextField ModPeriodOf(Channel c) {
    return IsRight(c) ? TextField::ModPeriodRightEdit : TextField::ModPeriodLeftEdit;
}
TextField ModDepthOf(Channel c) {
    return IsRight(c) ? TextField::ModDepthRightEdit : TextField::ModDepthLeftEdit;
}
TextField ModPhaseOf(Channel c) {
    return IsRight(c) ? TextField::ModPhaseRightEdit : TextField::ModPhaseLeftEdit;
}
FlagField ConstantOf(Channel c) {
    return IsRight(c) ? FlagField::chkConstantRight : FlagField::chkConstantLeft;
}
FlagField LogarithmicOf(Channel c) {
    return IsRight(c) ? FlagField::LogarithmicRight : FlagField::LogarithmicLeft;
}
FlagField BidirectionalOf(Channel c) {
    return IsRight(c) ? FlagField::BidirectionalRight : FlagField::BidirectionalLeft;
}
FlagField ModulationOnOf(Channel c) {
    return IsRight(c) ? FlagField::ModulationOnRight : FlagField::ModulationOnLeft;
}
FlagField TickOf(Channel c) {
    return IsRight(c) ? FlagField::RightTick : FlagField::Lefttick;
}
IndexField WaveFormOf(Channel c) {
    return IsRight(c) ? IndexField::WaveFormRight : IndexField::WaveFormLeft;
}
IndexField ModFunctionOf(Channel c) {
    return IsRight(c) ? IndexField::ModFunctionRight : IndexField::ModFunctionLeft;
}
IndexField AmplitudeBarOf(Channel c) {
    return IsRight(c) ? IndexField::barAmplitudeRight : IndexField::barAmplitudeLeft;
}

} // namespace quavril
