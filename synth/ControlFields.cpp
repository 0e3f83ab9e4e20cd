#include "synth/ControlFields.h"

namespace quavril {
namespace {

using K = SettingKind;
using CS = ChannelSettings;
using SS = SignalSettings;
constexpr Channel L = Channel::Left;
constexpr Channel R = Channel::Right;

constexpr SettingRow Text(std::string_view control, std::string_view stored, TextField f,
                          Channel side, std::string CS::*member) {
    return {control, stored, K::Text, static_cast<int>(f), side, member};
}
constexpr SettingRow Text(std::string_view control, TextField f, Channel side,
                          std::string SS::*member) {
    return {control, control, K::Text, static_cast<int>(f), side, nullptr, member};
}
constexpr SettingRow Flag(std::string_view control, std::string_view stored, FlagField f,
                          Channel side, bool CS::*member) {
    SettingRow row{control, stored, K::Flag, static_cast<int>(f), side};
    row.ChannelFlag = member;
    return row;
}
constexpr SettingRow Position(std::string_view control, std::string_view stored, IndexField f,
                              Channel side, int CS::*member) {
    SettingRow row{control, stored, K::Position, static_cast<int>(f), side};
    row.ChannelPosition = member;
    return row;
}
constexpr SettingRow Outside(std::string_view name, SettingKind kind) {
    return {name, name, kind};
}

// Stored settings in the order they are written, then the controls that are not stored.
constexpr std::array Table = [] {
    std::array<SettingRow, 47> t{
        Text("fInitLeft", "fInitLeft", TextField::fInitLeft, L, &CS::fInit),
        Text("fFinalLeft", "fFinalLeft", TextField::fFinalLeft, L, &CS::fFinal),
        Text("AmplitudeLeft", "AmplitudeLeft", TextField::AmplitudeLeft, L, &CS::Amplitude),
        Flag("chkConstantLeft", "chkConstantLeft", FlagField::chkConstantLeft, L, &CS::Constant),
        Flag("LogarithmicLeft", "LogarithmicLeft", FlagField::LogarithmicLeft, L, &CS::Logarithmic),
        Flag("BidirectionalLeft", "BidirectionalLeft", FlagField::BidirectionalLeft, L,
             &CS::Bidirectional),
        Flag("ModulationOnLeft", "ModulationOnLeft", FlagField::ModulationOnLeft, L,
             &CS::ModulationOn),
        Position("WaveFormLeft", "WaveFormLeft", IndexField::WaveFormLeft, L, &CS::WaveForm),
        Text("fInitRight", "fInitRight", TextField::fInitRight, R, &CS::fInit),
        Text("fFinalRight", "fFinalRight", TextField::fFinalRight, R, &CS::fFinal),
        Text("AmplitudeRight", "AmplitudeRight", TextField::AmplitudeRight, R, &CS::Amplitude),
        Flag("chkConstantRight", "chkConstantRight", FlagField::chkConstantRight, R, &CS::Constant),
        Flag("LogarithmicRight", "LogarithmicRight", FlagField::LogarithmicRight, R,
             &CS::Logarithmic),
        Flag("BidirectionalRight", "BidirectionalRight", FlagField::BidirectionalRight, R,
             &CS::Bidirectional),
        Flag("ModulationOnRight", "ModulationOnRight", FlagField::ModulationOnRight, R,
             &CS::ModulationOn),
        Position("WaveFormRight", "WaveFormRight", IndexField::WaveFormRight, R, &CS::WaveForm),
        Text("Duration", TextField::Duration, L, &SS::Duration),
        Flag("Loop", "Loop", FlagField::Loop, L, nullptr),
        Position("cboChannels", "mono", IndexField::cboChannels, L, nullptr),
        Flag("Lefttick", "LeftTick", FlagField::Lefttick, L, &CS::Tick),
        Flag("RightTick", "RightTick", FlagField::RightTick, R, &CS::Tick),
        Text("PhaseEdit", TextField::PhaseEdit, R, &SS::PhaseEdit),
        Text("ModPeriodLeftEdit", "ModPeriodLeftEdit", TextField::ModPeriodLeftEdit, L,
             &CS::ModPeriod),
        Text("ModDepthLeftEdit", "ModDepthLeftEdit", TextField::ModDepthLeftEdit, L, &CS::ModDepth),
        Position("ModFunctionLeft", "ModFunctionLeft", IndexField::ModFunctionLeft, L,
                 &CS::ModFunction),
        Text("ModPhaseLeftEdit", "ModPhaseLeftEdit", TextField::ModPhaseLeftEdit, L, &CS::ModPhase),
        Text("ModPeriodRightEdit", "ModPeriodRightEdit", TextField::ModPeriodRightEdit, R,
             &CS::ModPeriod),
        Text("ModDepthRightEdit", "ModDepthRightEdit", TextField::ModDepthRightEdit, R,
             &CS::ModDepth),
        Position("ModFunctionRight", "ModFunctionRight", IndexField::ModFunctionRight, R,
                 &CS::ModFunction),
        Text("ModPhaseRightEdit", "ModPhaseRightEdit", TextField::ModPhaseRightEdit, R,
             &CS::ModPhase),
        Outside("WaveDevice", K::Position),
        Outside("PresetAutoStart", K::Flag),
        Outside("frmFreqSlider", K::Flag),
        Outside("frmFrequencyDisplay", K::Flag),
        Outside("FormX", K::Integer),
        Outside("FormY", K::Integer),
        Outside("DisplayX", K::Integer),
        Outside("DisplayY", K::Integer),
        Outside("DisplayW", K::Integer),
        Outside("SliderX", K::Integer),
        Outside("SliderY", K::Integer),
        Outside("SliderW", K::Integer),
        Outside("MinFreqEdit", K::Text),
        Outside("MaxFreqEdit", K::Text),
        Outside("txtRound", K::Text),
        Position("barAmplitudeLeft", "", IndexField::barAmplitudeLeft, L, &CS::AmplitudeBar),
        Position("barAmplitudeRight", "", IndexField::barAmplitudeRight, R, &CS::AmplitudeBar),
    };
    for (SettingRow& row : t) {
        if (row.Control == "Loop")
            row.SignalFlag = &SS::Loop;
        if (row.Control == "cboChannels") {
            row.SignalPosition = &SS::Channels;
            row.StoredAsMono = true;
        }
    }
    return t;
}();

template <typename Field, int Count> constexpr std::array<int, Count> RowsOf(SettingKind kind) {
    std::array<int, Count> rows{};
    for (int i = 0; i < static_cast<int>(Table.size()); ++i)
        if (Table[i].Kind == kind && Table[i].Field >= 0)
            rows[Table[i].Field] = i;
    return rows;
}
constexpr auto TextRows = RowsOf<TextField, TextFieldCount>(K::Text);
constexpr auto FlagRows = RowsOf<FlagField, FlagFieldCount>(K::Flag);
constexpr auto IndexRows = RowsOf<IndexField, IndexFieldCount>(K::Position);

constexpr bool IsRight(Channel c) {
    return c == Channel::Right;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::span<const SettingRow> SettingsTable() {
    return Table;
}
const SettingRow& RowOf(TextField f) {
    return Table[TextRows[static_cast<int>(f)]];
}
const SettingRow& RowOf(FlagField f) {
    return Table[FlagRows[static_cast<int>(f)]];
}
const SettingRow& RowOf(IndexField f) {
    return Table[IndexRows[static_cast<int>(f)]];
}

bool EqualNames(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

const SettingRow* RowOfStoredName(std::string_view name) {
    for (const SettingRow& row : Table)
        if (!row.Stored.empty() && EqualNames(row.Stored, name))
            return &row;
    return nullptr;
}

std::string_view NameOf(TextField f) {
    return RowOf(f).Control;
}
std::string_view NameOf(FlagField f) {
    return RowOf(f).Control;
}
std::string_view NameOf(IndexField f) {
    return RowOf(f).Control;
}

Channel ChannelOf(TextField f) {
    return RowOf(f).Side;
}
Channel ChannelOf(FlagField f) {
    return RowOf(f).Side;
}
Channel ChannelOf(IndexField f) {
    return RowOf(f).Side;
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
