#pragma once
#include "synth/ControlFields.h"
#include "synth/GeneratorState.h"
#include <string>

namespace quavril {

// What the generator needs from its surroundings: the output device it may have to stop, and
// the window that mirrors its controls and shows its messages. Every method has a silent
// default so that headless users (the command-line tool, tests) override only what they need.
class GeneratorHost {
public:
    virtual ~GeneratorHost() = default;

    // The wave output: whether it plays, and an immediate stop.
    virtual bool OutputPlaying() const { return false; }
    virtual void StopOutputNow() {}

    // A control value written by the generator itself (validation, resets); the window shows it
    // without running its handlers again.
    virtual void TextWritten(TextField, const std::string&) {}
    virtual void FlagWritten(FlagField, bool) {}
    virtual void IndexWritten(IndexField, int) {}

    // The frequency slider window follows fInit (position = Round(1000 log10(f / 2))).
    virtual void FrequencySliderMoved(Channel, int) {}

    // Render watchdog: the window answers its acknowledge message by setting the flag.
    virtual void AcknowledgeRender(GeneratorState& state) { state.RenderAcknowledged = true; }
    virtual void ReportPerformanceIssue() {}

    // Frequency display window.
    virtual bool DisplayVisible() const { return false; }
    virtual void ShowFrequencyText(const std::string&) {}

    // Messages of the frequency exit handlers. For fInitLeft the Nyquist message is a Yes/No
    // question whose Yes opens the output settings; for the others a plain message.
    virtual void ShowNyquistMessage(TextField) {}
    virtual void ShowInvalidNumber(const std::string&) {}

    // Visibility and enabling that follow handler runs (the window's refresh rules).
    virtual void ChannelsChanged() {}
    virtual void WaveFormChanged(Channel) {}
    virtual void LoopChanged() {}
    virtual void ConstantChanged(Channel) {}
    virtual void ModulationOnChanged(Channel) {}
    virtual void TicksChanged() {}
};

} // namespace quavril
