#include "analysis/SignalAnalysis.h"

#include "analysis/MonitorRing.h"
#include "analysis/ScopeTrace.h"

#include <algorithm>
#include <cmath>

namespace quavril {

namespace {
constexpr int DefaultFftSize = 16384;
}

SignalAnalysis::SignalAnalysis() {
    for (auto& s : spectra_)
        s = std::make_unique<FftAnalyser>(DefaultFftSize);
    SetRate(fs_);
}

SignalAnalysis::~SignalAnalysis() = default;

void SignalAnalysis::SetRate(double fs) {
    fs_ = fs > 0 ? fs : 48000;
    for (LevelMeter& m : meters_)
        m.SetRate(fs_);
    for (auto& s : spectra_)
        s->ClearAverage();
    last_ = -1;
    // The longest read: a meter step, a spectrum, or a scope span with its search.
    const auto longest = static_cast<size_t>(
        std::ceil(std::max(LongestStepSeconds, 2 * ScopeTrace::LongestSeconds) * fs_ + 4));
    frames_.assign(std::max<size_t>(longest, FftAnalyser::MaxSize), 0.0f);
    for (auto& s : scope_)
        s.reserve(static_cast<size_t>(ScopeTrace::LongestSeconds * fs_) + 2);
}

void SignalAnalysis::SetFftSize(int size) {
    if (FftAnalyser::ValidSize(size) == FftSize())
        return;
    const bool averaging = Averaging();
    for (auto& s : spectra_) {
        s = std::make_unique<FftAnalyser>(size);
        s->SetAveraging(averaging);
    }
}

void SignalAnalysis::SetAveraging(bool on) {
    for (auto& s : spectra_)
        s->SetAveraging(on);
}

void SignalAnalysis::Update(const MonitorRing& ring, int64_t position, double scopeHz,
                            bool spectra) {
    channels_ = ring.Channels();
    Meters(ring, position);
    ScopeFrames(ring, position, scopeHz);
    if (!spectra)
        return;
    ++spectrumCount_;
    const int n = FftSize();
    for (int c = 0; c < channels_; ++c) {
        ring.Read(c, position, n, frames_.data());
        spectra_[Index(c)]->Analyse(frames_.data());
    }
}

void SignalAnalysis::Meters(const MonitorRing& ring, int64_t position) {
    const auto longest = static_cast<int64_t>(LongestStepSeconds * fs_);
    // The first update, or a new playback: one update's worth of the stretch.
    if (last_ < 0 || position < last_)
        last_ = position - static_cast<int64_t>(fs_ / 30);
    const int64_t step = std::min(position - last_, longest);
    last_ = position;
    if (step <= 0)
        return;
    for (int c = 0; c < channels_; ++c) {
        ring.Read(c, position, step, frames_.data());
        meters_[Index(c)].Process(frames_.data(), static_cast<size_t>(step));
    }
}

void SignalAnalysis::ScopeFrames(const MonitorRing& ring, int64_t position, double scopeHz) {
    scopeSpan_ = ScopeTrace::SpanFrames(fs_, scopeHz);
    const size_t search = ScopeTrace::SearchFrames(fs_, scopeHz);
    const size_t read = scopeSpan_ + search + 2;
    ring.Read(0, position, static_cast<int64_t>(read), frames_.data());
    // Only a tone of known frequency is triggered; sweeps and noise run freely.
    const auto trigger =
        scopeHz > 0 ? ScopeTrace::Trigger(frames_.data(), read, scopeSpan_, search) : std::nullopt;
    triggered_ = trigger.has_value();
    // Free-running: the newest span. Triggered: from the sample before the crossing.
    const double start = trigger ? *trigger : static_cast<double>(read - scopeSpan_ - 1);
    const auto first = static_cast<size_t>(std::floor(start));
    scopeOffset_ = start - static_cast<double>(first);
    const size_t count = std::min(scopeSpan_ + 2, read - first);
    for (int c = 0; c < 2; ++c) {
        std::vector<float>& out = scope_[Index(c)];
        if (c > 0 && channels_ > 1)
            ring.Read(c, position, static_cast<int64_t>(read), frames_.data());
        if (c == 0 || channels_ > 1)
            out.assign(frames_.begin() + static_cast<long>(first),
                       frames_.begin() + static_cast<long>(first + count));
        else
            out.clear();
    }
}

} // namespace quavril
