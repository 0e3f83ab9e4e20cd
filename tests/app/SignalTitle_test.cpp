// The title that the media controls show: one rule per kind of signal, applied to controls set
// by recalling a slot as the memory buttons do.
#include "app/SignalTitle.h"
#include "settings/MemoryPresets.h"
#include "tests/support/TestSlots.h"

#include <functional>
#include <gtest/gtest.h>

using namespace quavril;
using namespace quavril::test;

TEST(SignalTitle, describesEachKindOfSignal) {
    const std::vector<std::pair<std::function<void(PresetSlot&)>, std::string>> cases{
        {[](auto& s) { s.AmplitudeLeft = "-20"; }, "Sine 1000 Hz, −20 dBFS"},
        {[](auto& s) {
             s.chkConstantLeft = false, s.LogarithmicLeft = true, s.fInitLeft = "20";
             s.fFinalLeft = "20000", s.AmplitudeLeft = "-20";
         },
         "Sine log sweep 20–20000 Hz, −20 dBFS"},
        {[](auto& s) { s.chkConstantLeft = false, s.WaveFormLeft = SQUARE, s.fInitLeft = "100"; },
         "Square sweep 100–1000 Hz, 0 dBFS"},
        {[](auto& s) { s.WaveFormLeft = PINK, s.AmplitudeLeft = "-6", s.ModulationOnLeft = true; },
         "Pink noise, −6 dBFS, AM"},
        {[](auto& s) { s.WaveFormLeft = PULSENEG; }, "Negative pulse, 0 dBFS"},
        {[](auto& s) { s.WaveFormLeft = SILENCE; }, "Silence"},
        // Mono plays the left channel only.
        {[](auto& s) { s.WaveFormRight = WHITE; }, "Sine 1000 Hz, 0 dBFS"},
        {[](auto& s) { s.Mono = false; }, "Sine 1000 Hz, 0 dBFS, stereo"},
        {[](auto& s) { s.Mono = false, s.PhaseEdit = "-90"; },
         "Sine 1000 Hz, 0 dBFS, stereo, phase −90°"},
        {[](auto& s) { s.Mono = false, s.fInitRight = "440"; },
         "Left: Sine 1000 Hz, 0 dBFS; Right: Sine 440 Hz, 0 dBFS"},
        {[](auto& s) { s.Mono = false, s.fInitRight = "440", s.Lefttick = false; },
         "Right: Sine 440 Hz, 0 dBFS"},
        {[](auto& s) { s.Mono = false, s.AmplitudeRight = "-3", s.RightTick = false; },
         "Left: Sine 1000 Hz, 0 dBFS"},
        {[](auto& s) { s.Mono = false, s.Lefttick = s.RightTick = false; }, "Silence"},
    };
    for (const auto& [change, expected] : cases) {
        PresetSlot slot = ToneSlot("", "1000", "5");
        change(slot);
        Generator generator;
        RecallSlot(generator, slot);
        EXPECT_EQ(SignalTitle(generator), expected);
    }
}
