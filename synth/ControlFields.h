#pragma once
#include "synth/ChannelSettings.h"
#include "synth/Enumerations.h"
#include <array>
#include <optional>
#include <span>
#include <string>
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

// How a setting is kept: an edit's text, a check state, a list or slider position, or (for
// settings outside the generator, such as window geometry) a plain integer.
enum class SettingKind { Text, Flag, Position, Integer };

// The one table of settings. A row names a setting by its control and by the value name the
// stored settings use (empty when it is not stored), says its kind and channel, and for a
// generator control which field and which member of the channel or signal settings hold it.
// Rows of stored settings come in the order they are written.
struct SettingRow {
    std::string_view Control;
    std::string_view Stored;
    SettingKind Kind;
    int Field = -1; // TextField, FlagField or IndexField by Kind; -1 outside the generator
    Channel Side = Channel::Left;
    std::string ChannelSettings::*ChannelText = nullptr;
    std::string SignalSettings::*SignalText = nullptr;
    bool ChannelSettings::*ChannelFlag = nullptr;
    bool SignalSettings::*SignalFlag = nullptr;
    int ChannelSettings::*ChannelPosition = nullptr;
    int SignalSettings::*SignalPosition = nullptr;
    // The channel list is stored as the flag "mono": set when its position is 0.
    bool StoredAsMono = false;
};

std::span<const SettingRow> SettingsTable();
const SettingRow& RowOf(TextField f);
const SettingRow& RowOf(FlagField f);
const SettingRow& RowOf(IndexField f);
// The row of a stored value name, matched without regard to case; null when none.
const SettingRow* RowOfStoredName(std::string_view name);
// Value names compare without regard to case.
bool EqualNames(std::string_view a, std::string_view b);

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
