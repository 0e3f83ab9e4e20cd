#include "settings/ChannelCopy.h"

namespace quavril {

void ChannelCopy::Copy(Generator& g, Channel from, Channel to) {
    if (from == to)
        return;
    g.SetIndex(WaveFormOf(to), g.Index(WaveFormOf(from)));
    g.WaveFormChange(to);
    g.SetText(TextField::PhaseEdit, "0");
    // Setting the constant radio button also sets its sweep partner to the opposite.
    g.SetFlag(ConstantOf(to), g.Flag(ConstantOf(from)));
    g.SetText(fInitOf(to), g.Text(fInitOf(from)));
    g.SetText(fFinalOf(to), g.Text(fFinalOf(from)));
    g.SetFlag(LogarithmicOf(to), g.Flag(LogarithmicOf(from)));
    g.SetFlag(BidirectionalOf(to), g.Flag(BidirectionalOf(from)));
    g.SetFlag(ModulationOnOf(to), g.Flag(ModulationOnOf(from)));
    g.SetText(AmplitudeOf(to), g.Text(AmplitudeOf(from)));
    g.SetText(ModPeriodOf(to), g.Text(ModPeriodOf(from)));
    g.SetText(ModDepthOf(to), g.Text(ModDepthOf(from)));
    g.SetIndex(ModFunctionOf(to), g.Index(ModFunctionOf(from)));
    g.SetText(ModPhaseOf(to), g.Text(ModPhaseOf(from)));
}

} // namespace quavril
