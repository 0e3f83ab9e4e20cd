#include "settings/MemoryPresets.h"

#include "files/AnsiText.h"
#include "synth/NumberText.h"

namespace quavril {

namespace {

std::string Stored(const Generator& g, TextField f) {
    return CutText(g.Text(f), PresetSlot::TextLimit);
}

// The settings of one channel, steps 2-4 (left) and 5-7 (right) of a recall.
void RecallChannel(Generator& g, Channel c, bool constant, const std::string& amplitude, int wave,
                   bool logarithmic, bool bidirectional, bool modulation) {
    g.SetFlag(ConstantOf(c), constant); // the sweep radio is its opposite
    g.ConstantClick(c);
    g.SetText(AmplitudeOf(c), amplitude);
    g.SetIndex(WaveFormOf(c), wave);
    g.WaveFormChange(c);
    g.SetFlag(LogarithmicOf(c), logarithmic);
    g.SetFlag(BidirectionalOf(c), bidirectional);
    g.SetFlag(ModulationOnOf(c), modulation);
}

} // namespace

std::optional<std::string> LoweredFrequency(const std::string& text, int32_t fs) {
    const long double half = fs * 0.5L;
    const auto v = ParsePlain(text);
    if (!v || !(*v > half))
        return std::nullopt;
    return FormatGeneral(half);
}

void ApplyFrequency(Generator& g, TextField field, const std::string& text) {
    g.SetText(field, LoweredFrequency(text, g.SampleRate()).value_or(text));
}

void StoreSlot(const Generator& g, PresetSlot& s) {
    s.fInitLeft = Stored(g, TextField::fInitLeft);
    s.fFinalLeft = Stored(g, TextField::fFinalLeft);
    s.fInitRight = Stored(g, TextField::fInitRight);
    s.fFinalRight = Stored(g, TextField::fFinalRight);
    s.Duration = Stored(g, TextField::Duration);
    s.AmplitudeLeft = Stored(g, TextField::AmplitudeLeft);
    s.AmplitudeRight = Stored(g, TextField::AmplitudeRight);
    s.PhaseEdit = Stored(g, TextField::PhaseEdit);
    s.ModPeriodLeftEdit = Stored(g, TextField::ModPeriodLeftEdit);
    s.ModPeriodRightEdit = Stored(g, TextField::ModPeriodRightEdit);
    s.ModDepthLeftEdit = Stored(g, TextField::ModDepthLeftEdit);
    s.ModDepthRightEdit = Stored(g, TextField::ModDepthRightEdit);
    s.ModPhaseLeftEdit = Stored(g, TextField::ModPhaseLeftEdit);
    s.ModPhaseRightEdit = Stored(g, TextField::ModPhaseRightEdit);
    s.WaveFormLeft = g.Index(IndexField::WaveFormLeft);
    s.WaveFormRight = g.Index(IndexField::WaveFormRight);
    s.ModFunctionLeft = g.Index(IndexField::ModFunctionLeft);
    s.ModFunctionRight = g.Index(IndexField::ModFunctionRight);
    s.Loop = g.Flag(FlagField::Loop);
    s.Lefttick = g.Flag(FlagField::Lefttick);
    s.RightTick = g.Flag(FlagField::RightTick);
    s.LogarithmicLeft = g.Flag(FlagField::LogarithmicLeft);
    s.BidirectionalLeft = g.Flag(FlagField::BidirectionalLeft);
    s.LogarithmicRight = g.Flag(FlagField::LogarithmicRight);
    s.BidirectionalRight = g.Flag(FlagField::BidirectionalRight);
    s.chkConstantLeft = g.Flag(FlagField::chkConstantLeft);
    s.chkConstantRight = g.Flag(FlagField::chkConstantRight);
    s.ModulationOnLeft = g.Flag(FlagField::ModulationOnLeft);
    s.ModulationOnRight = g.Flag(FlagField::ModulationOnRight);
    s.Mono = g.Index(IndexField::cboChannels) == MONO;
}

void RecallSlot(Generator& g, const PresetSlot& s) {
    if (g.Host().OutputPlaying())
        g.Host().StopOutputNow();
    RecallChannel(g, Channel::Left, s.chkConstantLeft, s.AmplitudeLeft, s.WaveFormLeft,
                  s.LogarithmicLeft, s.BidirectionalLeft, s.ModulationOnLeft);
    RecallChannel(g, Channel::Right, s.chkConstantRight, s.AmplitudeRight, s.WaveFormRight,
                  s.LogarithmicRight, s.BidirectionalRight, s.ModulationOnRight);
    g.SetText(TextField::Duration, s.Duration);
    g.SetFlag(FlagField::Loop, s.Loop);
    g.SetIndex(IndexField::cboChannels, s.Mono ? MONO : STEREO);
    g.ChannelsChange();
    // After the channel mode, which in mono ticks both boxes and resets the phase.
    g.SetFlag(FlagField::Lefttick, s.Lefttick);
    g.SetFlag(FlagField::RightTick, s.RightTick);
    g.SetText(TextField::PhaseEdit, s.PhaseEdit);
    g.SetText(TextField::ModPeriodLeftEdit, s.ModPeriodLeftEdit);
    g.SetText(TextField::ModPeriodRightEdit, s.ModPeriodRightEdit);
    g.SetText(TextField::ModDepthLeftEdit, s.ModDepthLeftEdit);
    g.SetText(TextField::ModDepthRightEdit, s.ModDepthRightEdit);
    g.SetIndex(IndexField::ModFunctionLeft, s.ModFunctionLeft);
    g.SetIndex(IndexField::ModFunctionRight, s.ModFunctionRight);
    g.SetText(TextField::ModPhaseLeftEdit, s.ModPhaseLeftEdit);
    g.SetText(TextField::ModPhaseRightEdit, s.ModPhaseRightEdit);
    g.ExitEdit(TextField::AmplitudeLeft); // both gains from validated texts
    g.ExitEdit(TextField::AmplitudeRight);
    ApplyFrequency(g, TextField::fInitLeft, s.fInitLeft);
    ApplyFrequency(g, TextField::fFinalLeft, s.fFinalLeft);
    g.DeriveSweep(Channel::Left);
    ApplyFrequency(g, TextField::fInitRight, s.fInitRight);
    ApplyFrequency(g, TextField::fFinalRight, s.fFinalRight);
    g.DeriveSweep(Channel::Right);
}

bool StoreSlot(const Generator& generator, PresetBank& bank, int n) {
    if (!PresetBank::IsSlotNumber(n))
        return false;
    StoreSlot(generator, bank.Slot(n));
    return true;
}

bool RecallSlot(Generator& generator, const PresetBank& bank, int n) {
    if (!PresetBank::IsSlotNumber(n))
        return false;
    RecallSlot(generator, bank.Slot(n));
    return true;
}

std::string DefaultSlotName(int n) {
    return "Memory " + std::to_string(n);
}

void FillBankAtStart(const Generator& generator, PresetBank& bank) {
    for (int n = PresetBank::FirstSlot; n <= PresetBank::LastSlot; ++n) {
        StoreSlot(generator, bank.Slot(n));
        bank.Slot(n).Name = DefaultSlotName(n);
    }
}

} // namespace quavril
