#include "synth/SignalEngine.h"

#include "synth/ChannelRender.h"
#include "synth/Fade.h"
#include "synth/NumberText.h"
#include "synth/PinkRender.h"
#include "synth/Quantise.h"
#include "synth/SampleStep.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace quavril {

SignalEngine::SignalEngine(const ChannelSettings* channels, const SignalSettings& signal)
    : channels_(channels), signal_(signal) {}

// --- Sweeps --------------------------------------------------------------------------------

// Factor and step of a sweep from the stored normalised frequencies. The callers rule out what
// the arithmetic cannot take: a period of one frame, or a frequency that underflowed to zero.
void SignalEngine::ComputeSweepShape(ChannelState& s, bool logarithmic, bool sweeping) const {
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
    s.UpFactor = s.SweepFactor;
    s.UpStep = s.SweepStep;
    s.SweepDown = false;
    // The high-resolution path: the same sweep in double, from the unrounded frequencies.
    s.PreciseLog = logarithmic;
    if (logarithmic)
        s.PreciseRate = static_cast<double>(
            (std::log(static_cast<long double>(s.PreciseFinal)) - std::log(s.PreciseInit)) / steps);
    else
        s.PreciseRate = static_cast<double>((s.PreciseFinal - s.PreciseInit) / steps);
    s.PreciseFactor = std::exp(s.PreciseRate);
    StartPass(s, s.PreciseInit, sweeping);
}

// A pass of the high-resolution sweep begins at `preciseStart`; a sweeping channel on that
// path takes it as its increment. A constant channel has no pass (position -1).
void SignalEngine::StartPass(ChannelState& s, double preciseStart, bool sweeping) const {
    s.PreciseStart = preciseStart;
    s.SweepPosition = sweeping ? 0 : -1;
    if (sweeping && !quality_.Classic())
        s.Increment = preciseStart;
}

bool SignalEngine::ApplySweep(Channel c, long double fInit, long double fFinal,
                              int64_t totalSamples) {
    const ChannelSettings& cs = Settings(c);
    ChannelState& s = state_.Of(c);
    state_.TotalSamples = totalSamples;
    s.InitNorm = static_cast<float>(fInit / sampleRate_);
    s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
    s.PreciseInit = static_cast<double>(TwoPiL * fInit / sampleRate_);
    if (cs.Constant) {
        // Increment is left alone: a playing tone glides to the new frequency.
        s.FinalNorm = s.InitNorm;
        s.SweepStep = 0.0f;
        s.SweepFactor = 1.0f;
        s.UpFactor = 1.0f;
        s.UpStep = 0.0f;
        s.SweepDown = false;
        s.PreciseFinal = s.PreciseInit;
        s.PreciseLog = false;
        s.PreciseRate = 0;
        s.PreciseFactor = 1.0;
        s.SweepPosition = -1;
    } else {
        s.PreciseFinal = static_cast<double>(TwoPiL * fFinal / sampleRate_);
        s.FinalNorm = static_cast<float>(fFinal / sampleRate_);
        s.Increment = static_cast<double>(TwoPiL * s.InitNorm);
        if (state_.TotalSamples == 1 || s.InitNorm <= 0 || s.FinalNorm <= 0)
            return false; // division by zero, or a logarithm of zero
        ComputeSweepShape(s, cs.Logarithmic, true);
    }
    state_.FillBusy = false;
    return true;
}

void SignalEngine::RestartSweep(Channel c) {
    ChannelState& s = state_.Of(c);
    state_.SampleCounter = 0;
    s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
    s.Increment = s.TargetIncrement;
    const bool sweeping = !Settings(c).Constant;
    StartPass(s, s.PreciseInit, sweeping);
    // Before the first derivation there is nothing to compute a sweep from.
    if (state_.TotalSamples != 1 && s.InitNorm > 0 && s.FinalNorm > 0)
        ComputeSweepShape(s, Settings(c).Logarithmic, sweeping);
}

// The period-end turn. A back-and-forth sweep takes every turn's values from the derived
// upward pass: the downward pass runs with the inverse of the upward factor (or the negated
// step) from where the upward pass ended, and every upward pass starts again from the initial
// frequency. So each round trip repeats the first one exactly, however long the signal loops.
void SignalEngine::PeriodEndTurn(Channel c) {
    const ChannelSettings& cs = Settings(c);
    ChannelState& s = state_.Of(c);
    if (cs.Constant)
        return;
    if (cs.Bidirectional && !s.SweepDown) {
        s.SweepFactor = static_cast<float>(1.0L / s.UpFactor);
        s.SweepStep = -s.UpStep;
        s.SweepDown = true;
        s.PreciseRate = -s.PreciseRate;
        s.PreciseFactor = std::exp(s.PreciseRate);
        StartPass(s, s.Increment, true);
        return;
    }
    if (cs.Bidirectional) {
        s.SweepFactor = s.UpFactor;
        s.SweepStep = s.UpStep;
        s.SweepDown = false;
        s.PreciseRate = -s.PreciseRate;
        s.PreciseFactor = std::exp(s.PreciseRate);
    } else {
        s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
    }
    s.Increment = static_cast<double>(TwoPiL * s.InitNorm);
    StartPass(s, s.PreciseInit, true);
}

// --- Signal start ----------------------------------------------------------------------------

void SignalEngine::RewindSignal() {
    state_.FillBusy = false;
    // The rows start at their mean: a pink signal starts without a step, and from the frame
    // on which every row has been drawn (1875) the samples are what rows starting at 0 give.
    state_.PinkRows.fill(0.5f);
    state_.SampleCounter = 0;
    for (int c = 0; c < 2; ++c) {
        ChannelState& s = state_.Channels[static_cast<size_t>(c)];
        s.Increment = static_cast<double>(TwoPiL * s.InitNorm);
        s.Phase = 0;
        StartPass(s, s.PreciseInit, !channels_[c].Constant);
    }
    state_.Of(Channel::Left).SawValue = 0;
    state_.Of(Channel::Left).PreciseSaw = 0;
    framesSinceStart_ = 0;
    ditherSeed_ = DitherSeedAtStart;
}

void SignalEngine::StartRightSawAndGains(float rightSaw) {
    state_.Of(Channel::Right).SawValue = rightSaw;
    state_.Of(Channel::Right).PreciseSaw = rightSaw;
    for (ChannelState& s : state_.Channels)
        s.ModGain = 1.0f;
}

// --- Rendering -------------------------------------------------------------------------------

int64_t SignalEngine::NextSample(Channel c, int waveform) {
    const ChannelSettings& cs = Settings(c);
    const int64_t n = state_.SampleCounter;
    return WithWaveform(waveform,
                        [&]<int W>() { return SampleOf<W>(state_, c, cs, n, sampleRate_); });
}

double SignalEngine::NextPreciseSample(Channel c, int waveform) {
    const ChannelSettings& cs = Settings(c);
    const int64_t n = state_.SampleCounter;
    return WithWaveform(waveform, [&]<int W>() {
        return quality_.BandLimited ? SampleValue<W, true, true>(state_, c, cs, n, sampleRate_)
                                    : SampleValue<W, true, false>(state_, c, cs, n, sampleRate_);
    });
}

// One channel's block on either path: 16-bit samples on the classic path, the values before
// rounding on the high-resolution one.
void SignalEngine::RenderOne(Channel c, int waveform, int16_t* out, int stride, int32_t frames,
                             int64_t n0) {
    RenderChannel(state_, c, Settings(c), waveform, sampleRate_, out, stride, frames, n0);
}
void SignalEngine::RenderOne(Channel c, int waveform, double* out, int stride, int32_t frames,
                             int64_t n0) {
    RenderChannel(state_, c, Settings(c), waveform, sampleRate_, quality_.BandLimited, out, stride,
                  frames, n0);
}

// `frames` frames of signal without a period end inside. The channels do not share any state
// unless both draw from the random generator, so apart from that case each channel is
// rendered on its own, which keeps the per-sample loops free of dispatch.
template <bool Stereo, typename T> void SignalEngine::SignalRun(T* out, int32_t frames) {
    constexpr bool Precise = std::is_same_v<T, double>;
    const int64_t n0 = state_.SampleCounter;
    const ChannelSettings& left = Settings(Channel::Left);
    const ChannelSettings& right = Settings(Channel::Right);
    auto random = [](int w) { return w == WHITE || w == PINK; };
    if (!Stereo) {
        RenderOne(Channel::Left, left.WaveForm, out, 1, frames, n0);
    } else if (!(random(left.WaveForm) && random(right.WaveForm))) {
        RenderOne(Channel::Left, left.WaveForm, out, 2, frames, n0);
        RenderOne(Channel::Right, right.WaveForm, out + 1, 2, frames, n0);
    } else if (left.WaveForm == PINK && right.WaveForm == PINK) {
        RenderPinkPair(state_, left, right, sampleRate_, out, frames, n0);
    } else {
        // Left, then right, frame by frame: both draw from the one random sequence.
        for (std::ptrdiff_t i = 0; i < frames; ++i) {
            state_.SampleCounter = n0 + i;
            if constexpr (Precise) {
                out[2 * i] = NextPreciseSample(Channel::Left, left.WaveForm);
                out[2 * i + 1] = NextPreciseSample(Channel::Right, right.WaveForm);
            } else {
                out[2 * i] = Low16(NextSample(Channel::Left, left.WaveForm));
                out[2 * i + 1] = Low16(NextSample(Channel::Right, right.WaveForm));
            }
        }
    }
    if (Stereo) {
        const auto enableLeft = static_cast<int16_t>(state_.Channels[0].ChannelEnable);
        const auto enableRight = static_cast<int16_t>(state_.Channels[1].ChannelEnable);
        if (enableLeft != 1 || enableRight != 1) {
            for (std::ptrdiff_t i = 0; i < frames; ++i) {
                out[2 * i] = static_cast<T>(out[2 * i] * enableLeft);
                out[2 * i + 1] = static_cast<T>(out[2 * i + 1] * enableRight);
            }
        }
    }
    state_.SampleCounter = n0 + frames;
}

// The per-frame rule: a frame of signal while looping or before the end of the period (every
// frame for the export), zeros after the end; the counter advances by one per frame; with
// looping, a counter at or past the period length restarts at 0 and turns the sweeps.
template <bool Stereo, typename T>
void SignalEngine::RenderSpan(T* out, int32_t frames, bool loop, bool always) {
    constexpr std::ptrdiff_t channels = Stereo ? 2 : 1;
    int32_t done = 0;
    while (done < frames) {
        const int64_t counter = state_.SampleCounter;
        const int64_t total = state_.TotalSamples;
        int64_t run = frames - done;
        if (!always && !loop) {
            if (counter >= total) {
                std::fill(out + done * channels, out + frames * channels, T{0});
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

// The soft edges of the high-resolution path on `frames` frames that began at `counter`: the
// fade-in over the first frames after the start, and without looping the fade-out over the
// last frames of the period (so the fade never lengthens the signal).
void SignalEngine::ApplyFades(double* samples, int32_t frames, int64_t counter, bool loop) {
    const int64_t fade = FadeFrames(quality_.FadeMs, sampleRate_);
    const int channels = Stereo() ? 2 : 1;
    const int64_t since = framesSinceStart_;
    framesSinceStart_ += frames;
    if (fade <= 0)
        return;
    const int64_t outFrom = state_.TotalSamples - fade; // counter of the first fading-out frame
    const bool fadesOut = !loop && counter + frames > outFrom;
    if (since >= fade && !fadesOut)
        return;
    for (int32_t i = 0; i < frames; ++i) {
        double gain = FadeInGain(since + i, fade);
        if (!loop && counter + i >= outFrom)
            gain *= FadeOutGain(counter + i - outFrom, fade);
        if (gain == 1.0)
            continue;
        for (int k = 0; k < channels; ++k)
            samples[static_cast<std::ptrdiff_t>(i) * channels + k] *= gain;
    }
}

// Renders `frames` frames on the path the quality asks for and stores them in its format at
// `out`: the classic 16-bit samples as they are, or the values before rounding shaped by the
// fades and quantised once.
uint8_t* SignalEngine::RenderStored(uint8_t* out, int32_t frames, bool loop, bool always) {
    const bool stereo = Stereo();
    const int channels = stereo ? 2 : 1;
    constexpr int32_t ChunkSamples = 4096;
    const int32_t chunkFrames = ChunkSamples / channels;
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(chunkFrames, frames - done);
        const int32_t samples = n * channels;
        if (quality_.Classic()) {
            // Little-endian 16-bit samples are the stored bytes: rendered in place.
            int16_t chunk[ChunkSamples];
            const bool inPlace = std::endian::native == std::endian::little &&
                                 reinterpret_cast<uintptr_t>(out) % alignof(int16_t) == 0;
            int16_t* to = inPlace ? reinterpret_cast<int16_t*>(out) : chunk;
            if (stereo)
                RenderSpan<true>(to, n, loop, always);
            else
                RenderSpan<false>(to, n, loop, always);
            for (int32_t i = 0; !inPlace && i < samples; ++i) {
                const auto u = static_cast<uint16_t>(chunk[i]);
                out[2 * i] = static_cast<uint8_t>(u & 0xFF);
                out[2 * i + 1] = static_cast<uint8_t>(u >> 8);
            }
            out += samples * 2;
        } else {
            double chunk[ChunkSamples];
            const int64_t counter = state_.SampleCounter;
            if (stereo)
                RenderSpan<true>(chunk, n, loop, always);
            else
                RenderSpan<false>(chunk, n, loop, always);
            ApplyFades(chunk, n, counter, loop);
            QuantiseSamples(chunk, samples, quality_.Format, quality_.Dither == DitherKind::Tpdf,
                            ditherSeed_, out);
            out += samples * BytesPerSample(quality_.Format);
        }
        done += n;
    }
    return out;
}

void SignalEngine::RenderBytes(uint8_t* out, int32_t frames) {
    RenderStored(out, frames, false, true);
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

    const int32_t frameBytes = FrameBytes();
    const int32_t frames = size / frameBytes;
    const int64_t startCounter = state_.SampleCounter;
    uint8_t* p = RenderStored(buffer, frames, loop, false);
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
