#pragma once
// "Reset settings": every generator setting back to its default, as a user would set the
// controls (check boxes run their click handlers, edits their change handlers, lists only
// the refresh that is named). Also what the program does when its stored settings cannot be
// read at start.
#include "synth/Generator.h"

#include <cstdint>
#include <string>

namespace quavril {

class ResetToDefaults {
public:
    // The few controls that live outside the generator: the output device list and the
    // frequency slider window's limits.
    class WindowControls {
    public:
        virtual ~WindowControls() = default;
        // Select the default-device entry and run the list's change handler.
        virtual void SelectDefaultDevice() = 0;
        // The slider window's lower and upper limit texts (Hz).
        virtual void SetSliderLimitTexts(const std::string& minFreq,
                                         const std::string& maxFreq) = 0;
        // The output component's current frame rate, Hz (22050 before the first playback).
        virtual int32_t OutputFrameRate() const = 0;
    };

    // Not touched: the autostart option, the slider window's rounding, window positions, the
    // preset bank and the output settings. A playing generator is not stopped.
    static void Run(Generator& generator, WindowControls& controls);

private:
    static void ResetChannel(Generator& generator, Channel c);
    static void ResetModulation(Generator& generator, Channel c);
    static void ResetFrequencies(Generator& generator, Channel c);
};

} // namespace quavril
