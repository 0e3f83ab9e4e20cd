#include "analysis/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace quavril {

double LevelMeter::ToDb(double magnitude) {
    return magnitude > 1e-6 ? std::max(20.0 * std::log10(magnitude), FloorDb) : FloorDb;
}

void LevelMeter::SetRate(double fs) {
    fs_ = fs > 0 ? fs : 48000;
    rmsCoefficient_ = 1.0 - std::exp(-1.0 / (RmsSeconds * fs_));
    Reset();
}

void LevelMeter::Reset() {
    meanSquare_ = 0;
    peakDb_ = holdDb_ = FloorDb;
    holdAge_ = 0;
    clipAge_ = HoldSeconds;
}

void LevelMeter::Process(const float* samples, size_t frames) {
    if (frames == 0)
        return;
    if (rmsCoefficient_ == 0)
        SetRate(fs_);
    float largest = 0;
    double ms = meanSquare_;
    const double a = rmsCoefficient_;
    for (size_t i = 0; i < frames; ++i) {
        const double x = samples[i];
        largest = std::max(largest, std::fabs(samples[i]));
        ms += a * (x * x - ms);
    }
    meanSquare_ = ms;
    const double seconds = static_cast<double>(frames) / fs_;
    const double blockDb = ToDb(largest);
    peakDb_ = std::max({blockDb, peakDb_ - PeakFallDbPerSecond * seconds, FloorDb});
    holdAge_ += seconds;
    if (blockDb >= holdDb_) {
        holdDb_ = blockDb;
        holdAge_ = 0;
    } else if (holdAge_ > HoldSeconds) {
        holdDb_ = peakDb_; // follows the falling peak until a new peak sets it again
    }
    clipAge_ = largest >= 1.0f ? 0 : clipAge_ + seconds;
}

MeterReading LevelMeter::Reading() const {
    MeterReading r;
    r.PeakDb = peakDb_;
    r.HoldDb = std::max(holdDb_, peakDb_);
    r.RmsDb = meanSquare_ > 0 ? std::max(10.0 * std::log10(meanSquare_), FloorDb) : FloorDb;
    r.Clipped = clipAge_ < HoldSeconds;
    return r;
}

} // namespace quavril
