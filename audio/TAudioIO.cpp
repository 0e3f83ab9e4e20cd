#include "audio/TAudioIO.h"

#include "audio/SampleWords.h"

#include <algorithm>
#include <new>

namespace quavril {

TAudioIO::TAudioIO(QObject* owner) : QObject(owner) {
    format_.FormatTag = 1;
    format_.Channels = 1;
    format_.BitsPerSample = 16;
    format_.SamplesPerSec = 22050;
    format_.ExtraSize = 0;
    ComputeFormat();
    AllocateBuffers(); // four blocks of 8192 bytes
}

TAudioIO::~TAudioIO() {
    ReleaseBuffers();
}

void TAudioIO::ComputeFormat() {
    format_.BlockAlign = static_cast<uint16_t>((format_.BitsPerSample / 8) * format_.Channels);
    format_.AvgBytesPerSec = format_.BlockAlign * format_.SamplesPerSec;
    effectiveBufferSize_ = requestedBufferSize_ - requestedBufferSize_ % format_.BlockAlign;
}

void TAudioIO::SetBufferSize(int32_t bytes) {
    requestedBufferSize_ = std::max(bytes, MinBufferRequest);
    ComputeFormat();
    AllocateBuffers();
}

void TAudioIO::SetNumBuffers(int32_t count) {
    numBuffers_ = std::clamp(count, 2, MaxBuffers);
}

void TAudioIO::SetFrameRate(int32_t hz) {
    format_.SamplesPerSec = static_cast<uint32_t>(hz);
    ComputeFormat();
}

void TAudioIO::SetStereo(bool stereo) {
    format_.Channels = stereo ? 2 : 1;
    ComputeFormat();
}

void TAudioIO::SetQuantization(uint16_t bits) {
    format_.FormatTag = WaveFormat::Pcm;
    format_.BitsPerSample = bits <= 8 ? 8 : 16;
    format_.ValidBitsPerSample = 0;
    ComputeFormat();
}

SampleFormat TAudioIO::Samples() const {
    if (format_.IsFloat())
        return SampleFormat::F32;
    return format_.BitsPerSample == 24 ? SampleFormat::S24 : SampleFormat::S16;
}

void TAudioIO::SetSamples(SampleFormat samples) {
    format_.FormatTag = samples == SampleFormat::F32 ? WaveFormat::IeeeFloat : WaveFormat::Pcm;
    format_.BitsPerSample = static_cast<uint16_t>(BitsPerSample(samples));
    format_.ValidBitsPerSample = 0;
    ComputeFormat();
}

int32_t TAudioIO::BlockBytes() const {
    return format_.BitsPerSample == 24 ? static_cast<int32_t>(WidenedBytes(effectiveBufferSize_))
                                       : effectiveBufferSize_;
}

bool TAudioIO::AllocateBuffers() {
    ReleaseBuffers();
    try {
        for (int i = 0; i < numBuffers_; ++i)
            buffers_[static_cast<size_t>(i)].resize(static_cast<size_t>(BlockBytes()));
    } catch (const std::bad_alloc&) {
        ReleaseBuffers();
        SetErrorMessage(audio_messages::BufferAlloc);
        return false;
    }
    return true;
}

void TAudioIO::ReleaseBuffers() {
    for (auto& block : buffers_)
        std::vector<uint8_t>().swap(block);
}

bool TAudioIO::SlotHolds(int index, int32_t bytes) const {
    if (index < 0 || index >= MaxBuffers)
        return false;
    const std::vector<uint8_t>& block = buffers_[static_cast<size_t>(index)];
    return !block.empty() && static_cast<int64_t>(block.size()) >= bytes;
}

void TAudioIO::StopNow() {
    playing_ = false;
    active_ = false;
}

void TAudioIO::StopAfterQueue() {
    active_ = false;
}

} // namespace quavril
