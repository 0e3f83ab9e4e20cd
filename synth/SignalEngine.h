#pragma once
#include "synth/ChannelSettings.h"
#include "synth/GeneratorHost.h"
#include "synth/GeneratorState.h"
#include "synth/SignalQuality.h"

#include <cstdint>
#include <string>

namespace quavril {

// The signal engine: the run-time state and the sample rate, the sweeps, modulation and the
// rendering of frames. It reads the settings that the synthesis takes from the controls at
// every sample or buffer (waveforms, constant/sweep, modulation box and shape, loop, channel
// mode) straight from the control values it is given, and is written only by its Generator.
class SignalEngine {
public:
    // `channels` (left, right) and `signal` are the generator's control values; they must
    // outlive the engine.
    SignalEngine(const ChannelSettings* channels, const SignalSettings& signal);
    SignalEngine(const SignalEngine&) = delete;
    SignalEngine& operator=(const SignalEngine&) = delete;

    const GeneratorState& State() const { return state_; }
    GeneratorState& MutableState() { return state_; }
    int32_t SampleRate() const { return sampleRate_; }
    void SetSampleRate(int32_t hz) { sampleRate_ = hz; }
    // The output format and shaping; FillBuffer writes frames in its format.
    const SignalQuality& Quality() const { return quality_; }
    void SetQuality(const SignalQuality& quality) { quality_ = quality; }
    // Bytes of one frame in the current format and channel mode.
    int32_t FrameBytes() const { return (Stereo() ? 2 : 1) * BytesPerSample(quality_.Format); }

    // --- Sweeps ---------------------------------------------------------------------------
    // Steps 3 to 9 of a derivation from readable, valid frequencies (Hz) and the period in
    // frames. Fails (false) where the arithmetic cannot go on: a sweep over one frame, or a
    // frequency that underflowed to zero; the steps then stop where they are.
    bool ApplySweep(Channel c, long double fInit, long double fFinal, int64_t totalSamples);
    // Restarts a channel's sweep from the stored normalised frequencies and the shared counter.
    void RestartSweep(Channel c);
    // The period-end turn of a looping sweep.
    void PeriodEndTurn(Channel c);

    // --- Signal start ---------------------------------------------------------------------
    // The start of a signal after the derivations: counter, rows, increments, phases and the
    // left sawtooth; then the right sawtooth and both modulation gains.
    void RewindSignal();
    void StartRightSawAndGains(float rightSaw);

    // --- Rendering ------------------------------------------------------------------------
    int64_t NextSample(Channel c, int waveform);
    // The next sample of one channel on the high-resolution path, before rounding (full
    // scale 32767).
    double NextPreciseSample(Channel c, int waveform);
    bool FillBuffer(GeneratorHost& host, uint8_t* buffer, int32_t& size);
    // Classic 16-bit frames of the export (no loop, no period-end turn).
    void RenderFrames(int16_t* out, int32_t frames);
    // Export frames in the quality's format (FrameBytes() each), with its dither and fades.
    void RenderBytes(uint8_t* out, int32_t frames);
    std::string FrequencyText() const;

private:
    const ChannelSettings& Settings(Channel c) const { return channels_[static_cast<int>(c)]; }
    bool Stereo() const { return signal_.Channels == STEREO; }
    void ComputeSweepShape(ChannelState& s, bool logarithmic, bool sweeping) const;
    void StartPass(ChannelState& s, double preciseStart, bool sweeping) const;
    void RenderOne(Channel c, int waveform, int16_t* out, int stride, int32_t frames, int64_t n0);
    void RenderOne(Channel c, int waveform, double* out, int stride, int32_t frames, int64_t n0);
    template <bool Stereo, typename T> void SignalRun(T* out, int32_t frames);
    template <bool Stereo, typename T>
    void RenderSpan(T* out, int32_t frames, bool loop, bool always);
    void ApplyFades(double* samples, int32_t frames, int64_t counter, bool loop);
    uint8_t* RenderStored(uint8_t* out, int32_t frames, bool loop, bool always);

    const ChannelSettings* channels_;
    const SignalSettings& signal_;
    GeneratorState state_;
    int32_t sampleRate_ = 44100; // Hz
    SignalQuality quality_;
    int64_t framesSinceStart_ = 0; // frames rendered since the signal started (the fade-in)
    uint32_t ditherSeed_ = 0;      // the dither's own random source, seeded at every start
};

} // namespace quavril
