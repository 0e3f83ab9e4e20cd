#include "synth/SignalEngine.h"

#include "synth/ChannelRender.h"
#include "synth/NumberText.h"
#include "synth/PinkRender.h"
#include "synth/SampleStep.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace quavril {

SignalEngine::SignalEngine(const ChannelSettings* channels, const SignalSettings& signal)
    : channels_(channels), signal_(signal) {}

// --- Sweeps --------------------------------------------------------------------------------

// Factor and step of a sweep from the stored normalised frequencies. The callers rule out what
// the arithmetic cannot take: a period of one frame, or a frequency that underflowed to zero.
void SignalEngine::ComputeSweepShape(ChannelState& s, bool logarithmic) const {
    const long double steps = static_cast<long double>(state_.TotalSamples) - 1.0L;
    if (logarithmic) {
        s.SweepFactor =
            static_cast<float>(std::exp((std::log(static_cast<long double>(s.FinalNorm)) -
                                         std::log(static_cast<long double>(s.InitNorm))) /
                                        steps));
        s.SweepStep = 0.0f;
    } else {
        s.SweepFactor = 1.0f;
        s.SweepStep = static_cast<float>((static_cast<long double>(s.FinalNorm) - s.InitNorm) *
                                         TwoPiL / steps);
    }
}

bool SignalEngine::ApplySweep(Channel c, long double fInit, long double fFinal,
                              int64_t totalSamples) {
    const ChannelSettings& cs = Settings(c);
    ChannelState& s = state_.Of(c);
    state_.TotalSamples = totalSamples;
    s.InitNorm = static_cast<float>(fInit / sampleRate_);
    s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
    if (cs.Constant) {
        // Increment is left alone: a playing tone glides to the new frequency.
        s.FinalNorm = s.InitNorm;
        s.SweepStep = 0.0f;
        s.SweepFactor = 1.0f;
    } else {
        s.FinalNorm = static_cast<float>(fFinal / sampleRate_);
        s.Increment = static_cast<double>(TwoPiL * s.InitNorm);
        if (state_.TotalSamples == 1 || s.InitNorm <= 0 || s.FinalNorm <= 0)
            return false; // division by zero, or a logarithm of zero
        ComputeSweepShape(s, cs.Logarithmic);
    }
    state_.FillBusy = false;
    return true;
}

void SignalEngine::RestartSweep(Channel c) {
    ChannelState& s = state_.Of(c);
    state_.SampleCounter = 0;
    s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
    s.Increment = s.TargetIncrement;
    // Before the first derivation there is nothing to compute a sweep from.
    if (state_.TotalSamples != 1 && s.InitNorm > 0 && s.FinalNorm > 0)
        ComputeSweepShape(s, Settings(c).Logarithmic);
}

void SignalEngine::PeriodEndTurn(Channel c) {
    const ChannelSettings& cs = Settings(c);
    ChannelState& s = state_.Of(c);
    if (cs.Constant)
        return;
    if (cs.Bidirectional) {
        s.SweepFactor = static_cast<float>(1.0L / s.SweepFactor);
        s.SweepStep = -s.SweepStep;
    } else {
        s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
        s.Increment = s.TargetIncrement;
    }
}

// --- Signal start ----------------------------------------------------------------------------

void SignalEngine::RewindSignal() {
    state_.FillBusy = false;
    state_.PinkRows.fill(0.0f);
    state_.SampleCounter = 0;
    for (ChannelState& s : state_.Channels) {
        s.Increment = static_cast<double>(TwoPiL * s.InitNorm);
        s.Phase = 0;
    }
    state_.Of(Channel::Left).SawValue = 0;
}

void SignalEngine::StartRightSawAndGains(float rightSaw) {
    state_.Of(Channel::Right).SawValue = rightSaw;
    for (ChannelState& s : state_.Channels)
        s.ModGain = 1.0f;
}

// --- Rendering -------------------------------------------------------------------------------

int64_t SignalEngine::NextSample(Channel c, int waveform) {
    const ChannelSettings& cs = Settings(c);
    const int64_t n = state_.SampleCounter;
    const int32_t fs = sampleRate_;
    switch (waveform) {
    case SINE:
        return SampleOf<SINE>(state_, c, cs, n, fs);
    case SQUARE:
        return SampleOf<SQUARE>(state_, c, cs, n, fs);
    case TRIANGULAR:
        return SampleOf<TRIANGULAR>(state_, c, cs, n, fs);
    case SAWTOOTH:
        return SampleOf<SAWTOOTH>(state_, c, cs, n, fs);
    case WHITE:
        return SampleOf<WHITE>(state_, c, cs, n, fs);
    case PINK:
        return SampleOf<PINK>(state_, c, cs, n, fs);
    case PULSEPOS:
        return SampleOf<PULSEPOS>(state_, c, cs, n, fs);
    case PULSENEG:
        return SampleOf<PULSENEG>(state_, c, cs, n, fs);
    default:
        return SampleOf<SILENCE>(state_, c, cs, n, fs);
    }
}

// `frames` frames of signal without a period end inside. The channels do not share any state
// unless both draw from the random generator, so apart from that case each channel is
// rendered on its own, which keeps the per-sample loops free of dispatch.
template <bool Stereo> void SignalEngine::SignalRun(int16_t* out, int32_t frames) {
    const int64_t n0 = state_.SampleCounter;
    const ChannelSettings& left = Settings(Channel::Left);
    const ChannelSettings& right = Settings(Channel::Right);
    auto random = [](int w) { return w == WHITE || w == PINK; };
    if (!Stereo) {
        RenderChannel(state_, Channel::Left, left, left.WaveForm, sampleRate_, out, 1, frames, n0);
    } else if (!(random(left.WaveForm) && random(right.WaveForm))) {
        RenderChannel(state_, Channel::Left, left, left.WaveForm, sampleRate_, out, 2, frames, n0);
        RenderChannel(state_, Channel::Right, right, right.WaveForm, sampleRate_, out + 1, 2,
                      frames, n0);
    } else if (left.WaveForm == PINK && right.WaveForm == PINK) {
        RenderPinkPair(state_, left, right, sampleRate_, out, frames, n0);
    } else {
        // Left, then right, frame by frame: both draw from the one random sequence.
        for (std::ptrdiff_t i = 0; i < frames; ++i) {
            state_.SampleCounter = n0 + i;
            out[2 * i] = Low16(NextSample(Channel::Left, left.WaveForm));
            out[2 * i + 1] = Low16(NextSample(Channel::Right, right.WaveForm));
        }
    }
    if (Stereo) {
        const auto enableLeft = static_cast<int16_t>(state_.Channels[0].ChannelEnable);
        const auto enableRight = static_cast<int16_t>(state_.Channels[1].ChannelEnable);
        if (enableLeft != 1 || enableRight != 1) {
            for (std::ptrdiff_t i = 0; i < frames; ++i) {
                out[2 * i] = static_cast<int16_t>(out[2 * i] * enableLeft);
                out[2 * i + 1] = static_cast<int16_t>(out[2 * i + 1] * enableRight);
            }
        }
    }
    state_.SampleCounter = n0 + frames;
}

// The per-frame rule: a frame of signal while looping or before the end of the period (every
// frame for the export), zeros after the end; the counter advances by one per frame; with
// looping, a counter at or past the period length restarts at 0 and turns the sweeps.
template <bool Stereo>
void SignalEngine::RenderSpan(int16_t* out, int32_t frames, bool loop, bool always) {
    constexpr std::ptrdiff_t channels = Stereo ? 2 : 1;
    int32_t done = 0;
    while (done < frames) {
        const int64_t counter = state_.SampleCounter;
        const int64_t total = state_.TotalSamples;
        int64_t run = frames - done;
        if (!always && !loop) {
            if (counter >= total) {
                std::fill(out + done * channels, out + frames * channels, int16_t{0});
                state_.SampleCounter = counter + (frames - done);
                return;
            }
            run = std::min(run, total - counter);
        }
        if (loop)
            run = std::min(run, std::max<int64_t>(1, total - counter));
        SignalRun<Stereo>(out + done * channels, static_cast<int32_t>(run));
        done += static_cast<int32_t>(run);
        // Greater-or-equal: a period shortened while looping still ends.
        if (loop && state_.SampleCounter >= total) {
            state_.SampleCounter = 0;
            PeriodEndTurn(Channel::Left);
            if constexpr (Stereo)
                PeriodEndTurn(Channel::Right);
        }
    }
}

void SignalEngine::RenderFrames(int16_t* out, int32_t frames) {
    if (Stereo())
        RenderSpan<true>(out, frames, false, true);
    else
        RenderSpan<false>(out, frames, false, true);
}

std::string SignalEngine::FrequencyText() const {
    auto hz = [this](Channel c) {
        const long double f = RoundEven(sampleRate_ * state_.Of(c).Increment / TwoPiL);
        return FormatGeneral(f) + " Hz";
    };
    if (!Stereo())
        return hz(Channel::Left);
    return hz(Channel::Left) + "\r" + hz(Channel::Right);
}

bool SignalEngine::FillBuffer(GeneratorHost& host, uint8_t* buffer, int32_t& size) {
    if (!state_.RenderAcknowledged) {
        host.StopOutputNow();
        host.ReportPerformanceIssue();
        state_.FillBusy = false;
        return false;
    }
    state_.RenderAcknowledged = false;
    host.AcknowledgeRender(state_);
    const bool loop = signal_.Loop;
    if (state_.FillBusy) {
        host.StopOutputNow();
        host.ReportPerformanceIssue();
        state_.FillBusy = false;
        return false;
    }
    state_.FillBusy = true;
    if (host.DisplayVisible())
        host.ShowFrequencyText(FrequencyText());

    const bool stereo = Stereo();
    const int32_t frameBytes = FrameBytes();
    const SampleFormat format = quality_.Format;
    const int32_t frames = size / frameBytes;
    const int64_t startCounter = state_.SampleCounter;
    // Render in chunks through a stack buffer, then store little-endian.
    int16_t chunk[4096];
    const int32_t chunkFrames = stereo ? 2048 : 4096;
    uint8_t* p = buffer;
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(chunkFrames, frames - done);
        if (stereo)
            RenderSpan<true>(chunk, n, loop, false);
        else
            RenderSpan<false>(chunk, n, loop, false);
        const int32_t samples = n * (stereo ? 2 : 1);
        if (format != SampleFormat::S16) {
            for (int32_t i = 0; i < samples; ++i, p += BytesPerSample(format))
                EncodeSample(p, format, chunk[i] / 32767.0);
        } else if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(p, chunk, static_cast<size_t>(samples) * 2);
            p += samples * 2;
        } else {
            for (int32_t i = 0; i < samples; ++i, p += 2) {
                const auto u = static_cast<uint16_t>(chunk[i]);
                p[0] = static_cast<uint8_t>(u & 0xFF);
                p[1] = static_cast<uint8_t>(u >> 8);
            }
        }
        done += n;
    }
    std::memset(p, 0, static_cast<size_t>(size - frames * frameBytes));

    bool result;
    if (signal_.Loop || loop) {
        result = true;
    } else {
        // Every frame of the signal is played: the buffer that holds the last frames goes out
        // shortened to them, and only a buffer without any signal frame ends the playback.
        const int64_t signalFrames =
            std::clamp<int64_t>(state_.TotalSamples - startCounter, 0, frames);
        result = signalFrames > 0;
        if (signalFrames < frames)
            size = static_cast<int32_t>(signalFrames * frameBytes);
    }
    state_.FillBusy = false;
    return result;
}

} // namespace quavril
