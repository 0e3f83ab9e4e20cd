#pragma once
// The monitor's copy of what the device was given: a fixed ring of the last frames handed to
// the output, per channel as fractions of full scale, counted in stream frames. The frames the
// device plays now are the newest ones less the device's delay, so a reader asks for frames
// ending at Written() - delay. The memory is allocated once, at construction: appending never
// allocates, and it costs one pass over the new bytes.
#include "synth/SampleFormat.h"

#include <cstdint>
#include <vector>

namespace quavril {

class MonitorRing {
public:
    // 2^18 frames: 1.36 s at 192,000 Hz, 23.8 s at 11,025 Hz. Enough for the longest queue of
    // the output (4 buffers of 64,536 bytes of 16-bit mono: 129,072 frames) plus the longest
    // spectrum (65,536 frames).
    static constexpr int64_t CapacityFrames = int64_t{1} << 18;

    MonitorRing();

    // Appends the whole frames of `bytes` bytes of interleaved samples of `channels` (1 or 2)
    // channels in `format`. A mono frame goes to both channels. Other channel counts are
    // ignored.
    void Append(const uint8_t* data, int32_t bytes, int channels, SampleFormat format);
    // Frames appended since construction.
    int64_t Written() const { return written_; }
    // Channels of the last append (1 or 2); 2 before the first.
    int Channels() const { return channels_; }
    // Forgets what is held: frames before the current end read as silence. For a tap that was
    // detached for a while, so that a gap is not shown as sound.
    void Restart() { validFrom_ = written_; }

    // Copies `frames` frames of channel `channel` (0 left, 1 right) ending before stream frame
    // `end` into `out`, oldest first. Frames the ring does not hold (not yet written, before
    // the last restart, or already overwritten) read as 0.
    void Read(int channel, int64_t end, int64_t frames, float* out) const;

private:
    static constexpr int64_t Mask = CapacityFrames - 1;
    std::vector<float> samples_[2];
    int64_t written_ = 0;
    int64_t validFrom_ = 0;
    int channels_ = 2;
};

} // namespace quavril
