#include "app/SignalTitle.h"

#include "synth/ListItems.h"

namespace quavril {

namespace {

constexpr const char* Minus = "\u2212";
constexpr const char* EnDash = "\u2013";

// A field's text with a leading hyphen shown as a minus sign.
std::string Signed(const std::string& text) {
    if (!text.empty() && text.front() == '-')
        return Minus + text.substr(1);
    return text;
}

std::string ChannelTitle(const Generator& g, Channel c) {
    const int waveform = g.Index(WaveFormOf(c));
    if (waveform == SILENCE)
        return "Silence";
    std::string title(WaveformName(waveform));
    const bool tonal = waveform >= SINE && waveform <= SAWTOOTH;
    if (tonal && g.Flag(ConstantOf(c))) {
        title += " " + g.Text(fInitOf(c)) + " Hz";
    } else if (tonal) {
        title += g.Flag(LogarithmicOf(c)) ? " log sweep " : " sweep ";
        title += g.Text(fInitOf(c)) + EnDash + g.Text(fFinalOf(c)) + " Hz";
    }
    title += ", " + Signed(g.Text(AmplitudeOf(c))) + " dBFS";
    if (g.Flag(ModulationOnOf(c)))
        title += ", AM";
    return title;
}

} // namespace

std::string SignalTitle(const Generator& g) {
    const std::string left = ChannelTitle(g, Channel::Left);
    if (g.Mode() == MONO)
        return left;
    const bool leftOn = g.Flag(FlagField::Lefttick);
    const bool rightOn = g.Flag(FlagField::RightTick);
    const std::string right = ChannelTitle(g, Channel::Right);
    if (leftOn && rightOn && left == right) {
        const std::string& phase = g.Text(TextField::PhaseEdit);
        if (phase == "0" || phase.empty())
            return left + ", stereo";
        return left + ", stereo, phase " + Signed(phase) + "\u00b0";
    }
    if (leftOn && rightOn)
        return "Left: " + left + "; Right: " + right;
    if (leftOn)
        return "Left: " + left;
    if (rightOn)
        return "Right: " + right;
    return "Silence";
}

} // namespace quavril
