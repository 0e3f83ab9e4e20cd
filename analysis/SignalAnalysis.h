#pragma once
// What the signal monitor shows, computed from the monitor's ring at one moment of the stream:
// the meters of every frame played since the last update, the oscilloscope's frames (about
// four periods from a rising zero crossing of the left channel, or free-running) and the
// spectra of the last N frames. Toolkit-free; the window calls Update at most 30 times a
// second and only while it is shown. Memory for the frames is taken when the rate or the FFT
// size changes, not per update.
#include "analysis/FftAnalyser.h"
#include "analysis/LevelMeter.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace quavril {

class MonitorRing;

class SignalAnalysis {
public:
    // The meters take at most this much of a longer stretch (a jump, a pause of the view).
    static constexpr double LongestStepSeconds = 0.5;

    SignalAnalysis();
    ~SignalAnalysis();

    // The stream's rate (Hz); a change resets the meters and averages.
    void SetRate(double fs);
    double Rate() const { return fs_; }
    // 8,192..65,536 frames (see FftAnalyser::ValidSize).
    void SetFftSize(int size);
    int FftSize() const { return spectra_[0]->Size(); }
    void SetAveraging(bool on);
    bool Averaging() const { return spectra_[0]->Averaging(); }

    // The stream frame `position` of `ring` is playing now; `scopeHz` is the frequency the
    // oscilloscope's time base follows (0 or less: free-run). Frames between the previous
    // position and this one feed the meters; a position before the previous one (a new
    // playback) starts the meters' stretch again. The spectra are analysed again only with
    // `spectra` (the spectrum may be renewed less often than the meters and the trace).
    void Update(const MonitorRing& ring, int64_t position, double scopeHz, bool spectra = true);
    // Counts the analyses of the spectra (a view redraws them when it changes).
    int SpectrumCount() const { return spectrumCount_; }

    // Channels of the last update (1 for mono, 2 for stereo).
    int Channels() const { return channels_; }
    MeterReading Meter(int channel) const { return meters_[Index(channel)].Reading(); }
    // The oscilloscope's frames of a channel, the first one `ScopeOffset()` frames (0..1) before
    // the trigger point, so that the trace starts at the crossing.
    const std::vector<float>& Scope(int channel) const { return scope_[Index(channel)]; }
    double ScopeOffset() const { return scopeOffset_; }
    size_t ScopeSpan() const { return scopeSpan_; }
    bool Triggered() const { return triggered_; }
    const FftAnalyser& SpectrumOf(int channel) const { return *spectra_[Index(channel)]; }

private:
    static size_t Index(int channel) { return channel == 0 ? 0 : 1; }
    void Meters(const MonitorRing& ring, int64_t position);
    void ScopeFrames(const MonitorRing& ring, int64_t position, double scopeHz);

    double fs_ = 48000;
    int channels_ = 2;
    int64_t last_ = -1; // position of the previous update; -1 before the first
    std::array<LevelMeter, 2> meters_;
    std::array<std::unique_ptr<FftAnalyser>, 2> spectra_;
    std::array<std::vector<float>, 2> scope_;
    std::vector<float> frames_; // scratch, the longest read of one update
    double scopeOffset_ = 0;
    size_t scopeSpan_ = 0;
    bool triggered_ = false;
    int spectrumCount_ = 0;
};

} // namespace quavril
