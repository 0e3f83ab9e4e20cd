#pragma once
// A level meter of one channel, in dBFS (0 dBFS: a sample at full scale), from -120 to 0.
//  - Peak: the largest sample magnitude, rising at once, falling by 20 dB in 1.7 s.
//  - Hold: the highest peak, kept for 2 s, then it follows the falling peak.
//  - RMS: the root mean square with a 300 ms exponential time constant, relative to full-scale
//    amplitude (a sine at -20 dBFS peak reads -23.01 dBFS RMS).
//  - Clip: a sample at or beyond full scale within the last 2 s.
// The meter runs on stream time: Process advances it by the frames it is given.
#include <cstddef>

namespace quavril {

struct MeterReading {
    double PeakDb = -120;
    double HoldDb = -120;
    double RmsDb = -120;
    bool Clipped = false;
};

class LevelMeter {
public:
    static constexpr double FloorDb = -120.0;
    static constexpr double PeakFallDbPerSecond = 20.0 / 1.7;
    static constexpr double HoldSeconds = 2.0;
    static constexpr double RmsSeconds = 0.3;

    // Frames per second of what Process gets; resets the meter.
    void SetRate(double fs);
    // Back to silence.
    void Reset();
    void Process(const float* samples, size_t frames);
    MeterReading Reading() const;

    // A magnitude (fraction of full scale) in dB, never below FloorDb.
    static double ToDb(double magnitude);

private:
    double fs_ = 48000;
    double rmsCoefficient_ = 0; // per frame
    double meanSquare_ = 0;
    double peakDb_ = FloorDb;
    double holdDb_ = FloorDb;
    double holdAge_ = 0; // seconds since the hold was set
    double clipAge_ = HoldSeconds;
};

} // namespace quavril
