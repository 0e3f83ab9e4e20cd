#pragma once
// The spectrum of one channel: a real FFT (FFTW, single precision) of N = 8,192..65,536
// frames under a 4-term Blackman-Harris window, as levels in dBFS per bin (a sine at full
// scale centred on a bin reads 0 dBFS), optionally averaged in power over successive
// analyses, and the strongest peak's frequency and level. The peak is measured between the
// bins: the offset from the highest bin is solved from the ratio of the two highest bins with
// the window's exact response, and the level is corrected by that response, so that a steady
// tone reads its level whatever its frequency.
#include <cstddef>
#include <optional>
#include <vector>

namespace quavril {

struct SpectrumPeak {
    double FrequencyHz = 0;
    double LevelDb = -120;
};

class FftAnalyser {
public:
    static constexpr int MinSize = 8192;
    static constexpr int MaxSize = 65536;
    static constexpr double FloorDb = -160.0;
    // Weight of a new analysis in the average (about the last 8 analyses count).
    static constexpr double AverageWeight = 1.0 / 8.0;

    // `size`: a power of two within MinSize..MaxSize (others are raised or lowered to one).
    explicit FftAnalyser(int size);
    ~FftAnalyser();
    FftAnalyser(const FftAnalyser&) = delete;
    FftAnalyser& operator=(const FftAnalyser&) = delete;

    int Size() const { return size_; }
    static int ValidSize(int size);

    void SetAveraging(bool on);
    bool Averaging() const { return averaging_; }
    // Forgets the average: the next analysis starts it again.
    void ClearAverage() { analyses_ = 0; }

    // Analyses Size() frames, oldest first.
    void Analyse(const float* frames);
    // Power of bins 0..Size()/2 relative to a full-scale sine (1 = 0 dBFS), after Analyse.
    const std::vector<double>& Power() const { return power_; }
    // The level of bin k in dBFS (FloorDb where there is nothing).
    double LevelDb(size_t bin) const;
    // Frequency of bin k: k * fs / Size().
    double BinHz(double fs) const { return fs / size_; }

    // The strongest component between `lowestHz` and half the rate; empty before the first
    // analysis.
    std::optional<SpectrumPeak> StrongestPeak(double fs, double lowestHz = 10.0) const;

    // The window's amplitude response to a tone `offset` bins away from a bin's centre,
    // relative to a tone on the centre (1 at 0, 0.9 at about 0.5).
    double WindowResponse(double offset) const;

private:
    double Magnitude(size_t bin) const;
    double OffsetFromRatio(double ratio) const;

    int size_;
    bool averaging_ = false;
    int analyses_ = 0;
    std::vector<float> window_;
    float* input_ = nullptr;    // FFTW's aligned memory
    void* output_ = nullptr;    // fftwf_complex[size/2 + 1]
    void* plan_ = nullptr;      // fftwf_plan
    std::vector<double> power_; // averaged power per bin, scaled to a full-scale sine = 1
};

// Levels in dBFS of a spectrum's power per pixel column of a logarithmic frequency axis from
// `lowHz` to `highHz` over `columns` columns: the highest bin inside a column, or, where a
// column lies between two bins, the level interpolated (in dB) at its centre. `out` is resized
// to `columns`. Only the columns' levels are turned into decibels.
void SpectrumColumns(const std::vector<double>& power, double binHz, double lowHz, double highHz,
                     int columns, std::vector<float>& out);

} // namespace quavril
