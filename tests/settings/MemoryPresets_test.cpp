#include "files/PresetFile.h"
#include "settings/MemoryPresets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <unistd.h>
#include <vector>

namespace quavril {
namespace {

// Records what the generator writes and which refresh handlers run, and plays the output.
class RecordingHost : public GeneratorHost {
public:
    bool Playing = false;
    std::vector<std::string> Events;

    bool OutputPlaying() const override { return Playing; }
    void StopOutputNow() override {
        Playing = false;
        Events.push_back("stop");
    }
    void TextWritten(TextField f, const std::string& t) override {
        Events.push_back("T:" + std::string(NameOf(f)) + "=" + t);
    }
    void FlagWritten(FlagField f, bool v) override {
        Events.push_back("F:" + std::string(NameOf(f)) + "=" + (v ? "1" : "0"));
    }
    void IndexWritten(IndexField f, int v) override {
        Events.push_back("I:" + std::string(NameOf(f)) + "=" + std::to_string(v));
    }
    void ChannelsChanged() override { Events.push_back("ChannelsChange"); }
    void WaveFormChanged(Channel c) override { Events.push_back("WaveFormChange" + Side(c)); }
    void ConstantChanged(Channel c) override { Events.push_back("ConstantClick" + Side(c)); }
    void ModulationOnChanged(Channel c) override {
        Events.push_back("ModulationOnClick" + Side(c));
    }
    void TicksChanged() override { Events.push_back("TickClick"); }

private:
    static std::string Side(Channel c) { return c == Channel::Left ? "Left" : "Right"; }
};

// Every control and every value derived from them.
struct Snapshot {
    std::vector<std::string> Texts;
    std::vector<bool> Flags;
    std::vector<int> Indexes;
    std::vector<double> Derived;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const Generator& g) {
    Snapshot s;
    for (int i = 0; i < TextFieldCount; ++i)
        s.Texts.push_back(g.Text(static_cast<TextField>(i)));
    for (int i = 0; i < FlagFieldCount; ++i)
        s.Flags.push_back(g.Flag(static_cast<FlagField>(i)));
    for (int i = 0; i < IndexFieldCount; ++i)
        s.Indexes.push_back(g.Index(static_cast<IndexField>(i)));
    for (const ChannelState& c : g.State().Channels)
        s.Derived.insert(s.Derived.end(),
                         {c.AmplitudeGain, c.InitNorm, c.FinalNorm, c.SweepFactor, c.SweepStep,
                          c.TargetIncrement, c.ModDepthFraction, c.ModPeriodSeconds,
                          c.ModPhaseRadians, static_cast<double>(c.ChannelEnable)});
    s.Derived.push_back(g.State().PhaseOffset);
    s.Derived.push_back(g.State().TotalSamples);
    return s;
}

// Settings far from the window's defaults: stereo, left sweeping, only the right channel on.
void SetUpStereo(Generator& g) {
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.ChannelsChange();
    g.SetFlag(FlagField::chkConstantLeft, false);
    g.SetText(TextField::fInitLeft, "20");
    g.SetText(TextField::fFinalLeft, "20000");
    g.SetFlag(FlagField::LogarithmicLeft, true);
    g.SetFlag(FlagField::BidirectionalLeft, true);
    g.SetText(TextField::fInitRight, "1234.5");
    g.SetText(TextField::fFinalRight, "500");
    g.SetText(TextField::AmplitudeLeft, "-12");
    g.SetText(TextField::AmplitudeRight, "-37");
    g.ExitEdit(TextField::AmplitudeLeft);
    g.ExitEdit(TextField::AmplitudeRight);
    g.SetIndex(IndexField::WaveFormLeft, TRIANGULAR);
    g.SetIndex(IndexField::WaveFormRight, SAWTOOTH);
    g.SetText(TextField::Duration, "7.25");
    g.SetFlag(FlagField::Loop, true);
    g.SetFlag(FlagField::Lefttick, false);
    g.SetText(TextField::PhaseEdit, "33.5");
    g.SetFlag(FlagField::ModulationOnLeft, true);
    g.SetFlag(FlagField::ModulationOnRight, true);
    g.SetText(TextField::ModPeriodLeftEdit, "0.125");
    g.SetText(TextField::ModPeriodRightEdit, "3");
    g.SetText(TextField::ModDepthLeftEdit, "40");
    g.SetText(TextField::ModDepthRightEdit, "12.5");
    g.SetIndex(IndexField::ModFunctionLeft, MODSQUARE);
    g.SetIndex(IndexField::ModFunctionRight, MODTRIANGLE);
    g.SetText(TextField::ModPhaseLeftEdit, "90");
    g.SetText(TextField::ModPhaseRightEdit, "270");
    g.DeriveSweep(Channel::Left);
    g.DeriveSweep(Channel::Right);
}

// Every setting changed again: mono, constant, other texts and positions.
void ChangeEverything(Generator& g) {
    g.SetIndex(IndexField::cboChannels, MONO);
    g.ChannelsChange();
    g.SetFlag(FlagField::chkConstantLeft, true);
    g.SetFlag(FlagField::chkConstantRight, false);
    for (int i = 0; i < TextFieldCount; ++i)
        g.SetText(static_cast<TextField>(i), "3");
    for (int i = 0; i < FlagFieldCount; ++i) {
        const auto f = static_cast<FlagField>(i);
        g.SetFlag(f, !g.Flag(f));
    }
    for (const auto f : {IndexField::WaveFormLeft, IndexField::WaveFormRight,
                         IndexField::ModFunctionLeft, IndexField::ModFunctionRight})
        g.SetIndex(f, 0);
    g.ExitEdit(TextField::AmplitudeLeft);
    g.ExitEdit(TextField::AmplitudeRight);
}

TEST(MemoryPresets, StoreChangeRecallGivesBackEverySetting) {
    Generator g;
    SetUpStereo(g);
    const Snapshot before = Take(g);
    PresetSlot slot;
    slot.Name = "Mine";
    StoreSlot(g, slot);
    EXPECT_EQ(slot.Name, "Mine");
    ChangeEverything(g);
    ASSERT_NE(Take(g), before);
    RecallSlot(g, slot);
    const Snapshot after = Take(g);
    EXPECT_EQ(after.Texts, before.Texts);
    EXPECT_EQ(after.Flags, before.Flags);
    EXPECT_EQ(after.Indexes, before.Indexes);
    EXPECT_EQ(after.Derived, before.Derived);
}

TEST(MemoryPresets, StoreCopiesTheControlsUnderTheirNames) {
    Generator g;
    SetUpStereo(g);
    PresetSlot s;
    StoreSlot(g, s);
    EXPECT_FALSE(s.Mono);
    EXPECT_FALSE(s.chkConstantLeft);
    EXPECT_TRUE(s.chkConstantRight);
    EXPECT_EQ(s.fInitLeft, "20");
    EXPECT_EQ(s.fFinalLeft, "20000");
    EXPECT_EQ(s.fInitRight, "1234.5");
    EXPECT_EQ(s.fFinalRight, "500");
    EXPECT_EQ(s.AmplitudeLeft, "-12");
    EXPECT_EQ(s.AmplitudeRight, "-37");
    EXPECT_EQ(s.WaveFormLeft, TRIANGULAR);
    EXPECT_EQ(s.WaveFormRight, SAWTOOTH);
    EXPECT_EQ(s.Duration, "7.25");
    EXPECT_TRUE(s.Loop);
    EXPECT_FALSE(s.Lefttick);
    EXPECT_TRUE(s.RightTick);
    EXPECT_EQ(s.PhaseEdit, "33.5");
    EXPECT_TRUE(s.LogarithmicLeft);
    EXPECT_TRUE(s.BidirectionalLeft);
    EXPECT_FALSE(s.LogarithmicRight);
    EXPECT_FALSE(s.BidirectionalRight);
    EXPECT_TRUE(s.ModulationOnLeft);
    EXPECT_TRUE(s.ModulationOnRight);
    EXPECT_EQ(s.ModPeriodLeftEdit, "0.125");
    EXPECT_EQ(s.ModPeriodRightEdit, "3");
    EXPECT_EQ(s.ModDepthLeftEdit, "40");
    EXPECT_EQ(s.ModDepthRightEdit, "12.5");
    EXPECT_EQ(s.ModFunctionLeft, MODSQUARE);
    EXPECT_EQ(s.ModFunctionRight, MODTRIANGLE);
    EXPECT_EQ(s.ModPhaseLeftEdit, "90");
    EXPECT_EQ(s.ModPhaseRightEdit, "270");
}

TEST(MemoryPresets, StoreCutsTextsTo255Characters) {
    Generator g;
    std::string long_;
    for (int i = 0; i < 300; ++i)
        long_ += "\u00e9";
    g.SetText(TextField::PhaseEdit, long_);
    PresetSlot s;
    StoreSlot(g, s);
    EXPECT_EQ(s.PhaseEdit.size(), 2u * 255u);
}

TEST(MemoryPresets, StereoSlotWithOnlyTheRightChannelOnRecallsSo) {
    Generator g; // mono, both channels on
    PresetSlot s;
    StoreSlot(g, s);
    s.Mono = false;
    s.Lefttick = false;
    s.RightTick = true;
    RecallSlot(g, s);
    EXPECT_EQ(g.Index(IndexField::cboChannels), STEREO);
    EXPECT_FALSE(g.Flag(FlagField::Lefttick));
    EXPECT_TRUE(g.Flag(FlagField::RightTick));
    EXPECT_EQ(g.State().Of(Channel::Left).ChannelEnable, 0);
    EXPECT_EQ(g.State().Of(Channel::Right).ChannelEnable, 1);
}

// The channel mode comes before the enable boxes and the phase: mono ticks both boxes and
// resets the phase, and the slot's own values are applied after that.
TEST(MemoryPresets, MonoSlotAppliesItsBoxesAndPhaseAfterTheChannelMode) {
    Generator g;
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.ChannelsChange();
    PresetSlot s;
    StoreSlot(g, s);
    s.Mono = true;
    s.Lefttick = true;
    s.RightTick = false;
    s.PhaseEdit = "90";
    RecallSlot(g, s);
    EXPECT_EQ(g.Index(IndexField::cboChannels), MONO);
    EXPECT_FALSE(g.Flag(FlagField::RightTick));
    EXPECT_EQ(g.Text(TextField::PhaseEdit), "90");
}

TEST(MemoryPresets, RecallStopsAPlayingOutputFirst) {
    RecordingHost host;
    Generator g(&host);
    PresetSlot s;
    StoreSlot(g, s);
    host.Playing = true;
    RecallSlot(g, s);
    ASSERT_FALSE(host.Events.empty());
    EXPECT_EQ(host.Events.front(), "stop");
    EXPECT_FALSE(host.Playing);
}

// What the window shows after a recall: every control it mirrors ends at the slot's value (no
// stale text, box or list position is left on screen), and each refresh the window needs has
// run after the last write of the controls it depends on.
TEST(MemoryPresets, RecallLeavesTheWindowShowingTheSlot) {
    RecordingHost host;
    Generator g(&host); // the window's defaults: mono, constant, sine
    PresetSlot s;
    StoreSlot(g, s);
    s.chkConstantLeft = false;
    s.AmplitudeLeft = "-3";
    s.WaveFormLeft = SQUARE;
    s.LogarithmicLeft = true;
    s.ModulationOnLeft = true;
    s.AmplitudeRight = "-4";
    s.WaveFormRight = TRIANGULAR;
    s.BidirectionalRight = true;
    s.Duration = "2";
    s.Loop = true;
    s.Mono = false;
    s.Lefttick = false;
    s.PhaseEdit = "90";
    s.ModPeriodLeftEdit = "0.5";
    s.ModDepthRightEdit = "60";
    s.ModFunctionRight = MODTRIANGLE;
    s.fInitLeft = "200";
    s.fFinalLeft = "2000";
    s.fFinalRight = "3000";
    RecallSlot(g, s);

    std::map<std::string, std::string> shown; // control name -> last value mirrored
    std::map<std::string, size_t> lastWrite, lastRefresh;
    for (size_t i = 0; i < host.Events.size(); ++i) {
        const std::string& e = host.Events[i];
        const size_t eq = e.find('=');
        if (e.size() > 2 && e[1] == ':' && eq != std::string::npos) {
            shown[e.substr(2, eq - 2)] = e.substr(eq + 1);
            lastWrite[e.substr(2, eq - 2)] = i;
        } else {
            lastRefresh[e] = i;
        }
    }
    PresetSlot now;
    StoreSlot(g, now);
    EXPECT_TRUE(now == s) << "the generator holds the slot";
    std::map<std::string, std::string> held; // the generator's values, written as mirrored
    for (int i = 0; i < TextFieldCount; ++i)
        held[std::string(NameOf(TextField(i)))] = g.Text(TextField(i));
    for (int i = 0; i < FlagFieldCount; ++i)
        held[std::string(NameOf(FlagField(i)))] = g.Flag(FlagField(i)) ? "1" : "0";
    for (int i = 0; i < IndexFieldCount; ++i)
        held[std::string(NameOf(IndexField(i)))] = std::to_string(g.Index(IndexField(i)));
    for (const auto& [name, value] : shown)
        if (held.count(name)) {
            EXPECT_EQ(value, held[name]) << name;
        }
    // Each refresh of the window, and the control whose last write it must follow.
    const std::pair<const char*, const char*> refreshes[] = {
        {"ChannelsChange", "cboChannels"},
        {"WaveFormChangeLeft", "WaveFormLeft"},
        {"WaveFormChangeRight", "WaveFormRight"},
        {"ConstantClickLeft", "chkConstantLeft"},
        {"ModulationOnClickLeft", "ModulationOnLeft"},
        {"TickClick", "Lefttick"}};
    for (const auto& [refresh, control] : refreshes) {
        ASSERT_TRUE(lastRefresh.count(refresh)) << refresh;
        ASSERT_TRUE(lastWrite.count(control)) << control;
        EXPECT_GT(lastRefresh[refresh], lastWrite[control]) << refresh;
    }
}

// The sweep is derived from the slot's frequencies and duration together, whatever the
// generator held before.
TEST(MemoryPresets, RecalledSweepMatchesTypedSettings) {
    Generator typed;
    typed.SetText(TextField::Duration, "2");
    typed.SetFlag(FlagField::chkConstantLeft, false);
    typed.SetFlag(FlagField::LogarithmicLeft, true);
    typed.SetText(TextField::fInitLeft, "20");
    typed.SetText(TextField::fFinalLeft, "20000");
    PresetSlot s;
    StoreSlot(typed, s);

    Generator g;
    g.SetText(TextField::Duration, "9");
    g.SetText(TextField::fInitLeft, "5000");
    RecallSlot(g, s);
    EXPECT_EQ(g.State().TotalSamples, 88200);
    EXPECT_EQ(g.State().Of(Channel::Left).InitNorm, typed.State().Of(Channel::Left).InitNorm);
    EXPECT_EQ(g.State().Of(Channel::Left).FinalNorm, typed.State().Of(Channel::Left).FinalNorm);
    EXPECT_EQ(g.State().Of(Channel::Left).SweepFactor, typed.State().Of(Channel::Left).SweepFactor);
    EXPECT_NE(g.State().Of(Channel::Left).SweepFactor, 1.0f);
}

TEST(MemoryPresets, BankAtStartHoldsTheStartSettingsUnderDefaultNames) {
    Generator g;
    g.SetFlag(FlagField::chkConstantRight, false); // the right channel sweeps at start
    g.SetText(TextField::fInitRight, "250");
    PresetBank bank;
    FillBankAtStart(g, bank);
    const std::array<std::string, 4> names = {"Memory 1", "Memory 2", "Memory 3", "Memory 4"};
    EXPECT_EQ(bank.Names(), names);
    EXPECT_TRUE(bank.Slot(1).Mono); // the window starts in mono
    PresetSlot stored;
    StoreSlot(g, stored);
    for (int n = 1; n <= 4; ++n) {
        stored.Name = DefaultSlotName(n);
        EXPECT_EQ(bank.Slot(n), stored) << n;
    }
    const Snapshot start = Take(g);
    ChangeEverything(g);
    ASSERT_TRUE(RecallSlot(g, bank, 1));
    EXPECT_FALSE(g.Flag(FlagField::chkConstantRight));
    EXPECT_TRUE(g.Sweep(Channel::Right));
    EXPECT_EQ(Take(g).Texts, start.Texts);
    EXPECT_EQ(Take(g).Flags, start.Flags);
    EXPECT_EQ(Take(g).Indexes, start.Indexes);
}

TEST(MemoryPresets, SlotNumbersOutsideOneToFourAreIgnored) {
    Generator g;
    PresetBank bank;
    FillBankAtStart(g, bank);
    const PresetBank before = bank;
    g.SetText(TextField::Duration, "9");
    EXPECT_FALSE(StoreSlot(g, bank, 0));
    EXPECT_FALSE(StoreSlot(g, bank, 5));
    EXPECT_EQ(bank, before);
    EXPECT_FALSE(RecallSlot(g, bank, 0));
    EXPECT_FALSE(RecallSlot(g, bank, -1));
    EXPECT_EQ(g.Text(TextField::Duration), "9");
    EXPECT_TRUE(StoreSlot(g, bank, 4));
    EXPECT_EQ(bank.Slot(4).Duration, "9");
    EXPECT_EQ(bank.Slot(4).Name, "Memory 4");
}

// A slot stored, saved to a file, loaded by another program run and recalled there.
TEST(MemoryPresets, SlotSurvivesAPresetFile) {
    Generator g;
    SetUpStereo(g);
    PresetBank bank;
    FillBankAtStart(Generator{}, bank);
    ASSERT_TRUE(StoreSlot(g, bank, 2));
    bank.Slot(2).Name = "Stereo \u00e9";
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("quavril-slot-" + std::to_string(::getpid()) + ".qvl"))
                                 .string();
    ASSERT_TRUE(SavePresetFile(path, bank));
    PresetBank loaded;
    const PresetFileResult r = LoadPresetFile(path, loaded);
    std::filesystem::remove(path);
    ASSERT_TRUE(r) << r.Error;
    EXPECT_EQ(loaded.Slot(2).Name, "Stereo \u00e9");
    Generator other;
    RecallSlot(other, loaded.Slot(2));
    EXPECT_EQ(Take(other), Take(g));
}

} // namespace
} // namespace quavril
