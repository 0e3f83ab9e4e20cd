#pragma once
#include "synth/ChannelSettings.h"
#include "synth/ControlFields.h"
#include "synth/GeneratorHost.h"
#include "synth/GeneratorState.h"
#include "synth/SignalEngine.h"
#include <cstdint>
#include <optional>
#include <string>

namespace quavril {

enum class DeriveResult {
    Derived, // the sweep parameters follow the texts
    Invalid, // a frequency is not in (0, fs/2]: nothing changed
    Failed,  // unreadable text or arithmetic failure: the steps stopped where they were
};

// The signal generator without any toolkit: the controls' values (texts, check states, list
// positions) and their handlers, which turn them into the run-time state of the signal engine
// (synth/SignalEngine.h) that it owns.
//
// Writing a control through Set* behaves like a user's change of that control: an edit's text
// runs its change handler, a check box runs its click handler when its state changes, a list
// position runs nothing (callers run the matching *Change handler themselves). Windows forward
// user input here and mirror what the generator writes back through GeneratorHost.
class Generator {
public:
    explicit Generator(GeneratorHost* host = nullptr);
    // The engine refers to this generator's control values.
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    void SetHost(GeneratorHost* host);
    GeneratorHost& Host() const { return *host_; }

    // --- Controls -------------------------------------------------------------------------
    const std::string& Text(TextField f) const;
    bool Flag(FlagField f) const;
    int Index(IndexField f) const;
    void SetText(TextField f, const std::string& text);
    void SetFlag(FlagField f, bool value);
    void SetIndex(IndexField f, int value);
    // Sweep radio button: the opposite of the constant radio of the same channel.
    bool Sweep(Channel c) const { return !Settings(c).Constant; }

    const ChannelSettings& Settings(Channel c) const { return channels_[static_cast<int>(c)]; }
    const SignalSettings& Signal() const { return signal_; }
    ChannelMode Mode() const { return signal_.Channels == STEREO ? STEREO : MONO; }

    // --- Handlers --------------------------------------------------------------------------
    // Exit handler of a numeric edit (validation and rewrite of its text).
    void ExitEdit(TextField f);
    // fConstLeftChange / fConstRightChange.
    DeriveResult DeriveSweep(Channel c);
    // LogarithmicLeftClick / LogarithmicRightClick.
    void RestartSweep(Channel c);
    // Refresh handlers that lists need to be run explicitly after a programmatic selection.
    void ChannelsChange();          // cboChannelsChange
    void WaveFormChange(Channel c); // WaveFormLeftChange / WaveFormRightChange
    void LoopClick();
    void ConstantClick(Channel c);     // chkConstantLeftClick / chkConstantRightClick
    void ModulationOnClick(Channel c); // ModulationOnLeftClick / ModulationOnRightClick
    void TickClick();                  // LefttickClick
    // barAmplitudeLeftChange / barAmplitudeRightChange: the amplitude text follows the slider
    // (position 40 writes "-40").
    void AmplitudeBarChange(Channel c);
    // Step buttons of the frequency group. A semitone (SemiUpLeftClick) multiplies or divides
    // the initial frequency by 2^(1/12), kept as a 32-bit float, and reports an unreadable
    // text; one hertz (fInitLeftPlusMouseDown / ...MinusMouseDown) adds or subtracts 1 and
    // ignores an unreadable text. Neither step goes up from fs/2 or beyond it; only the 1 Hz
    // step down stops at 0.
    void SemitoneStep(Channel c, bool up);
    void HertzStep(Channel c, bool up);

    // --- Signal ----------------------------------------------------------------------------
    // Puts the state at the start of a signal. The export form starts the right sawtooth at
    // the phase offset; it fails (returns false) when the phase text is not a number.
    bool ResetGenerator(bool forExport);

    // The next sample of one channel, before truncation to 16 bits.
    int64_t NextSample(Channel c, int waveform);

    // The period-end turn of a looping sweep.
    void PeriodEndTurn(Channel c);

    // Fill handler of the wave output: renders one buffer of little-endian frames in the
    // quality's sample format (FrameBytes() each), with its dither and fades.
    // `size` is the capacity in bytes on entry (whole frames) and the bytes to play on return.
    // Returns whether the buffer holds signal to play.
    bool FillBuffer(uint8_t* buffer, int32_t& size);

    // Export rendering: `frames` frames after SampleCounter, no loop and no period-end turn.
    // Writes interleaved samples (2 per frame in stereo) to `out`.
    void RenderFrames(int16_t* out, int32_t frames);
    // The same in the quality's sample format: FrameBytes() bytes a frame, with its dither
    // and fades (the fade-out over the last frames of the period).
    void RenderBytes(uint8_t* out, int32_t frames);
    int ChannelCount() const { return Mode() == STEREO ? 2 : 1; }
    int32_t FrameBytes() const { return engine_.FrameBytes(); }

    // Frames of one signal period at the current rate: Round(duration * fs). Fails (nothing)
    // when the duration text is not a number or the count does not fit 64 bits. A count under
    // one frame is given as it is; the derivation refuses it.
    std::optional<int64_t> FramesOfDuration() const;

    // The frequency display text (whole hertz per channel).
    std::string FrequencyText() const;

    // The run-time state, read-only: it is written by the handlers and the renderers.
    const GeneratorState& State() const { return engine_.State(); }
    // The render watchdog's acknowledgement (the window's answer to its message).
    void AcknowledgeRender() { engine_.MutableState().RenderAcknowledged = true; }

    // Sample rate in Hz (44100 until set). Setting it derives both channels' sweeps again,
    // left first, as applying any setting that they depend on does.
    int32_t SampleRate() const { return engine_.SampleRate(); }
    void SetSampleRate(int32_t hz);
    // Sample format, dither, band limits and fades of the rendered signal (an output setting;
    // the default is the classic 16-bit signal).
    const SignalQuality& Quality() const { return engine_.Quality(); }
    void SetQuality(const SignalQuality& quality) { engine_.SetQuality(quality); }

private:
    friend struct GeneratorTestAccess; // tests put the state where a case starts

    GeneratorState& MutableState() { return engine_.MutableState(); }
    ChannelSettings& Mutable(Channel c) { return channels_[static_cast<int>(c)]; }
    std::string* TextSlot(TextField f);
    bool* FlagSlot(FlagField f);
    int* IndexSlot(IndexField f);
    void TextChanged(TextField f);
    void FlagClicked(FlagField f);
    void ExitFrequency(TextField f);
    GeneratorHost defaultHost_;
    GeneratorHost* host_;
    ChannelSettings channels_[2];
    SignalSettings signal_;
    SignalEngine engine_; // after the control values it refers to
};

} // namespace quavril
