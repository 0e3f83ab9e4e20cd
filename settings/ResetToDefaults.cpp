#include "settings/ResetToDefaults.h"

#include "synth/NumberText.h"

namespace quavril {

void ResetToDefaults::Run(Generator& g, WindowControls& controls) {
    ResetChannel(g, Channel::Left);
    ResetChannel(g, Channel::Right);
    g.SetText(TextField::Duration, "10");
    g.SetFlag(FlagField::Loop, false);
    g.SetIndex(IndexField::cboChannels, MONO);
    g.ChannelsChange();
    ResetModulation(g, Channel::Left);
    ResetModulation(g, Channel::Right);
    controls.SelectDefaultDevice();
    controls.SetSliderLimitTexts("20", std::to_string(controls.OutputFrameRate() / 2));
    ResetFrequencies(g, Channel::Left);
    ResetFrequencies(g, Channel::Right);
}

// Sweep form, amplitude slider, modulation switch and waveform of one channel.
void ResetToDefaults::ResetChannel(Generator& g, Channel c) {
    g.SetFlag(ConstantOf(c), true);
    g.SetFlag(LogarithmicOf(c), true);
    g.SetFlag(BidirectionalOf(c), false);
    // The slider's change handler runs only when its position changes; it shows "0".
    if (g.Index(AmplitudeBarOf(c)) != 0) {
        g.SetIndex(AmplitudeBarOf(c), 0);
        g.AmplitudeBarChange(c);
    }
    g.SetFlag(ModulationOnOf(c), false);
    g.SetIndex(WaveFormOf(c), SINE);
    g.WaveFormChange(c);
}

void ResetToDefaults::ResetModulation(Generator& g, Channel c) {
    g.SetText(ModPeriodOf(c), "1");
    g.SetText(ModDepthOf(c), "100");
    g.SetIndex(ModFunctionOf(c), MODSINE);
    g.SetText(ModPhaseOf(c), "0");
}

// 1000 Hz constant, 10000 Hz final, each field validated as if the user had left it. A default
// above half the sampling rate is lowered to it first, without the message a user's entry gets:
// nobody typed it.
void ResetToDefaults::ResetFrequencies(Generator& g, Channel c) {
    const auto fitted = [&g](const char* text) {
        return ValidateEdit(text, 0.1L, g.SampleRate() * 0.5L, 5, 1000);
    };
    g.SetText(fInitOf(c), fitted("1000"));
    g.ExitEdit(fInitOf(c));
    g.SetText(fFinalOf(c), fitted("10000"));
    g.ExitEdit(fFinalOf(c));
    g.ExitEdit(fInitOf(c));
    g.DeriveSweep(c);
    g.ModulationOnClick(c);
}

} // namespace quavril
