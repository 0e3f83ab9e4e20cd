#include "analysis/FftAnalyser.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <fftw3.h>
#include <numbers>

namespace quavril {

namespace {

// 4-term Blackman-Harris, in the periodic (DFT-even) form.
constexpr double A0 = 0.35875, A1 = 0.48829, A2 = 0.14128, A3 = 0.01168;

int PowerOfTwoAtMost(int n) {
    int p = 1;
    while (p * 2 <= n)
        p *= 2;
    return p;
}

} // namespace

int FftAnalyser::ValidSize(int size) {
    return PowerOfTwoAtMost(std::clamp(size, MinSize, MaxSize));
}

FftAnalyser::FftAnalyser(int size) : size_(ValidSize(size)) {
    const auto n = static_cast<size_t>(size_);
    window_.resize(n);
    constexpr double tau = 2 * std::numbers::pi;
    for (size_t i = 0; i < n; ++i) {
        const double x = tau * static_cast<double>(i) / size_;
        window_[i] =
            static_cast<float>(A0 - A1 * std::cos(x) + A2 * std::cos(2 * x) - A3 * std::cos(3 * x));
    }
    input_ = fftwf_alloc_real(n);
    output_ = fftwf_alloc_complex(n / 2 + 1);
    plan_ = fftwf_plan_dft_r2c_1d(size_, input_, static_cast<fftwf_complex*>(output_),
                                  FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
    power_.assign(n / 2 + 1, 0.0);
}

FftAnalyser::~FftAnalyser() {
    fftwf_destroy_plan(static_cast<fftwf_plan>(plan_));
    fftwf_free(output_);
    fftwf_free(input_);
}

void FftAnalyser::SetAveraging(bool on) {
    averaging_ = on;
    analyses_ = 0;
}

void FftAnalyser::Analyse(const float* frames) {
    for (int i = 0; i < size_; ++i)
        input_[i] = frames[i] * window_[static_cast<size_t>(i)];
    fftwf_execute(static_cast<fftwf_plan>(plan_));
    const auto* bins = static_cast<const fftwf_complex*>(output_);
    // |X| of a full-scale sine on a bin is N * A0 / 2.
    const double scale = 4.0 / (static_cast<double>(size_) * size_ * A0 * A0);
    const double weight = averaging_ && analyses_ > 0 ? AverageWeight : 1.0;
    for (size_t k = 0; k < power_.size(); ++k) {
        const double re = bins[k][0], im = bins[k][1];
        const double p = (re * re + im * im) * scale;
        power_[k] += weight * (p - power_[k]);
    }
    ++analyses_;
}

namespace {
constexpr double FloorPower = 1e-16; // FftAnalyser::FloorDb
double PowerDb(double power) {
    return 10.0 * std::log10(std::max(power, FloorPower));
}
} // namespace

double FftAnalyser::LevelDb(size_t bin) const {
    return PowerDb(power_[bin]);
}

double FftAnalyser::Magnitude(size_t bin) const {
    return std::sqrt(power_[bin]);
}

// The window's transform at `offset` bins: sum over its cosine terms of the shifted Dirichlet
// kernels, D(x) = e^{i pi x (N-1)/N} sin(pi x) / sin(pi x / N), normalised to 1 at 0.
double FftAnalyser::WindowResponse(double offset) const {
    constexpr double pi = std::numbers::pi;
    const double n = size_;
    const double c[7] = {-A3 / 2, A2 / 2, -A1 / 2, A0, -A1 / 2, A2 / 2, -A3 / 2};
    std::complex<double> sum = 0;
    for (int m = -3; m <= 3; ++m) {
        const double x = offset + m;
        const double d = std::fabs(x) < 1e-12 ? n : std::sin(pi * x) / std::sin(pi * x / n);
        sum += c[m + 3] * d * std::polar(1.0, pi * x * (n - 1) / n);
    }
    return std::abs(sum) / (n * A0);
}

// The offset in 0..0.5 bin at which a neighbour bin reads `ratio` times the highest bin.
double FftAnalyser::OffsetFromRatio(double ratio) const {
    double low = 0, high = 0.5;
    for (int i = 0; i < 30; ++i) { // 0.5 / 2^30 bin
        const double mid = (low + high) / 2;
        if (WindowResponse(mid - 1) / WindowResponse(mid) < ratio)
            low = mid;
        else
            high = mid;
    }
    return (low + high) / 2;
}

std::optional<SpectrumPeak> FftAnalyser::StrongestPeak(double fs, double lowestHz) const {
    if (analyses_ == 0 || fs <= 0)
        return std::nullopt;
    const size_t last = power_.size() - 2; // a neighbour on both sides
    const size_t first =
        std::clamp<size_t>(static_cast<size_t>(std::ceil(lowestHz / BinHz(fs))), 1, last);
    const auto highest = std::max_element(power_.begin() + static_cast<long>(first),
                                          power_.begin() + static_cast<long>(last) + 1);
    const auto k = static_cast<size_t>(highest - power_.begin());
    const double top = Magnitude(k);
    if (top <= 0)
        return SpectrumPeak{static_cast<double>(k) * BinHz(fs), FloorDb};
    const double above = Magnitude(k + 1), below = Magnitude(k - 1);
    const double offset =
        above >= below ? OffsetFromRatio(above / top) : -OffsetFromRatio(below / top);
    SpectrumPeak peak;
    peak.FrequencyHz = (static_cast<double>(k) + offset) * BinHz(fs);
    peak.LevelDb = 20.0 * std::log10(top / WindowResponse(offset));
    return peak;
}

void SpectrumColumns(const std::vector<double>& power, double binHz, double lowHz, double highHz,
                     int columns, std::vector<float>& out) {
    out.assign(static_cast<size_t>(std::max(columns, 0)), static_cast<float>(FftAnalyser::FloorDb));
    if (columns <= 0 || power.size() < 2 || binHz <= 0 || lowHz <= 0 || highHz <= lowHz)
        return;
    const double lastBin = static_cast<double>(power.size() - 1);
    const double step = std::exp(std::log(highHz / lowHz) / columns);
    double from = lowHz / binHz; // bin position of the column's left edge
    for (int x = 0; x < columns; ++x) {
        const double to = std::min(from * step, lastBin);
        const auto firstBin = static_cast<size_t>(std::ceil(from));
        const auto lastInside = static_cast<size_t>(std::floor(to));
        double level;
        if (firstBin <= lastInside) {
            level = PowerDb(*std::max_element(power.begin() + static_cast<long>(firstBin),
                                              power.begin() + static_cast<long>(lastInside) + 1));
        } else {
            const double centre = std::min((from + to) / 2, lastBin);
            const auto below = static_cast<size_t>(std::floor(centre));
            const size_t above = std::min(below + 1, power.size() - 1);
            const double t = centre - static_cast<double>(below);
            level = PowerDb(power[below]) + t * (PowerDb(power[above]) - PowerDb(power[below]));
        }
        out[static_cast<size_t>(x)] = static_cast<float>(level);
        from *= step;
    }
}

} // namespace quavril
