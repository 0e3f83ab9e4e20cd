#pragma once
// Preset slots for tests that write preset files: every text, index and flag set, the way a
// freshly started generator window would store its controls, so a test changes only what it
// is about.
#include "files/PresetSlot.h"

#include <string>

namespace quavril::test {

inline PresetSlot ToneSlot(const std::string& name, const std::string& hz,
                           const std::string& seconds, bool mono = true) {
    PresetSlot s;
    s.Name = name;
    s.fInitLeft = s.fInitRight = hz;
    s.fFinalLeft = s.fFinalRight = "1000";
    s.Duration = seconds;
    s.AmplitudeLeft = s.AmplitudeRight = "0";
    s.Mono = mono;
    s.Lefttick = s.RightTick = true;
    s.PhaseEdit = "0";
    s.chkConstantLeft = s.chkConstantRight = true;
    s.ModPeriodLeftEdit = s.ModPeriodRightEdit = "1";
    s.ModDepthLeftEdit = s.ModDepthRightEdit = "100";
    s.ModFunctionLeft = s.ModFunctionRight = 1; // cosine
    s.ModPhaseLeftEdit = s.ModPhaseRightEdit = "0";
    return s;
}

} // namespace quavril::test
