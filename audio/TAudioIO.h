#pragma once
// TAudioIO: sample format and buffer memory of the wave output component.
#include "audio/WaveOutPort.h"
#include "synth/SampleFormat.h"
#include <QObject>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quavril {

// ErrorMessage texts of the component. The user sees them after "Sound Device Error: ".
namespace audio_messages {
inline constexpr const char* BufferAlloc = "Error allocating wave buffer memory";
inline constexpr const char* AlreadyOpen = "Wave output device is already open";
inline constexpr const char* NoFilledBuffer = "There must be at least one filled buffer";
} // namespace audio_messages

class TAudioIO : public QObject {
public:
    static constexpr int MaxBuffers = 4;
    static constexpr int32_t MinBufferRequest = 512; // bytes

    explicit TAudioIO(QObject* owner = nullptr);
    ~TAudioIO() override;

    // Bytes per buffer. Assigning stores max(value, 512) as the request, recomputes the format
    // and allocates the blocks of slots 0..NumBuffers-1 anew. Reading gives the effective size
    // (the request rounded down to whole frames). Default 8192.
    int32_t BufferSize() const { return effectiveBufferSize_; }
    void SetBufferSize(int32_t bytes);
    int32_t RequestedBufferSize() const { return requestedBufferSize_; }

    // Buffers in the ring, clamped to 2..4 (default 4). Nothing is reallocated: assign it
    // before BufferSize.
    int32_t NumBuffers() const { return numBuffers_; }
    void SetNumBuffers(int32_t count);

    // Frames per second (Hz), default 22050.
    int32_t FrameRate() const { return static_cast<int32_t>(format_.SamplesPerSec); }
    void SetFrameRate(int32_t hz);

    // Two channels (true) or one (false, the default).
    bool Stereo() const { return format_.Channels == 2; }
    void SetStereo(bool stereo);

    // Bits per integer sample: below 8 becomes 8, 8 stays 8, above 8 becomes 16 (the
    // default). Reading gives the bits of the current sample format.
    uint16_t Quantization() const { return format_.BitsPerSample; }
    void SetQuantization(uint16_t bits);

    // The samples the fill handler writes: 16-bit (the default, as Quantization 16), 24-bit
    // (three bytes) or 32-bit float. A buffer holds whole frames of it.
    SampleFormat Samples() const;
    void SetSamples(SampleFormat samples);

    const WaveFormat& Format() const { return format_; }

    // Text of the last failure; read it after a failed Start.
    const std::string& ErrorMessage() const { return errorMessage_; }

    // A playback runs (the generator is on).
    bool Playing() const { return playing_; }

    // The base versions only clear Playing and Active.
    virtual void StopNow();
    virtual void StopAfterQueue();

protected:
    // Block align, bytes per second and the effective buffer size from the current fields.
    void ComputeFormat();
    // Releases every buffer block and allocates slots 0..NumBuffers-1 with BlockBytes().
    // False (ErrorMessage set, all blocks released) when memory is short.
    bool AllocateBuffers();
    // Bytes of a buffer block: the effective size, with room to widen 24-bit samples into
    // 32-bit words for a device that takes only those.
    int32_t BlockBytes() const;
    void ReleaseBuffers();
    // Whether slot `index` has a block of at least `bytes`.
    bool SlotHolds(int index, int32_t bytes) const;
    uint8_t* SlotData(int index) { return buffers_[static_cast<size_t>(index)].data(); }

    void SetErrorMessage(std::string text) { errorMessage_ = std::move(text); }

    WaveFormat format_;
    int32_t requestedBufferSize_ = 8192;
    int32_t effectiveBufferSize_ = 8192;
    int32_t numBuffers_ = MaxBuffers;
    bool playing_ = false;
    bool active_ = false; // fills are allowed

private:
    std::array<std::vector<uint8_t>, MaxBuffers> buffers_;
    std::string errorMessage_;
};

} // namespace quavril
