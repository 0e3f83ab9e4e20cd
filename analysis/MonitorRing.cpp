#include "analysis/MonitorRing.h"

#include <algorithm>

namespace quavril {

MonitorRing::MonitorRing() {
    for (auto& channel : samples_)
        channel.assign(static_cast<size_t>(CapacityFrames), 0.0f);
}

void MonitorRing::Append(const uint8_t* data, int32_t bytes, int channels, SampleFormat format) {
    if (channels < 1 || channels > 2 || bytes <= 0 || !data)
        return;
    const int sampleBytes = BytesPerSample(format);
    const int frameBytes = sampleBytes * channels;
    const int64_t frames = bytes / frameBytes;
    channels_ = channels;
    for (int64_t i = 0; i < frames; ++i) {
        const uint8_t* frame = data + i * frameBytes;
        const auto slot = static_cast<size_t>((written_ + i) & Mask);
        const auto left = static_cast<float>(DecodeSample(frame, format));
        samples_[0][slot] = left;
        samples_[1][slot] =
            channels == 2 ? static_cast<float>(DecodeSample(frame + sampleBytes, format)) : left;
    }
    written_ += frames;
}

void MonitorRing::Read(int channel, int64_t end, int64_t frames, float* out) const {
    if (frames <= 0)
        return;
    const float* source = samples_[channel == 0 ? 0 : 1].data();
    const int64_t start = end - frames;
    // The part of [start, end) that the ring holds; the rest reads as silence.
    const int64_t from = std::clamp(std::max(validFrom_, written_ - CapacityFrames), start, end);
    const int64_t to = std::clamp(written_, from, end);
    std::fill(out, out + (from - start), 0.0f);
    std::fill(out + (to - start), out + frames, 0.0f);
    for (int64_t position = from; position < to;) {
        const int64_t slot = position & Mask;
        const int64_t run = std::min(to - position, CapacityFrames - slot);
        std::copy(source + slot, source + slot + run, out + (position - start));
        position += run;
    }
}

} // namespace quavril
