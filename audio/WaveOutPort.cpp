#include "audio/WaveOutPort.h"

#include <algorithm>

namespace quavril {

std::string WaveOutResultText(int code) {
    switch (code) {
    case WaveOk:
        return "The operation completed successfully.";
    case WaveErrNotOpen:
        return "The output device is not open.";
    case WaveErrAlreadyOpen:
        return "The output device is already open.";
    case WaveErrUnprepared:
        return "The buffer was not prepared for the output device.";
    case WaveErrBadBuffer:
        return "The buffer does not hold a whole number of sample frames.";
    case WaveErrBadFormat:
        return "The output device cannot play this format (sampling rate, channels or "
               "sample size).";
    case WaveErrNoDevice:
        return "There is no output device with this name or number.";
    case WaveErrStillPlaying:
        return "The buffer is still queued on the output device.";
    case WaveErrNotResponding:
        return "The output device stopped responding: it was disconnected or its sound server "
               "ended.";
    case WaveErrRate:
        return "The output device cannot play this sampling rate.";
    case WaveErrSampleFormat:
        return "The output device does not take this sample format.";
    default:
        return "Unknown output device error " + std::to_string(code) + ".";
    }
}

std::string SampleFormatName(const WaveFormat& format) {
    if (format.IsFloat())
        return std::to_string(format.BitsPerSample) + "-bit float";
    return std::to_string(format.ValidBits()) + "-bit";
}

} // namespace quavril

namespace quavril {

namespace {

// The samples the port knows how to describe: 8 (unsigned), 16 or 24-bit integers, 24 bits in
// a 32-bit word, 32-bit float; one or two channels.
bool PlayableSample(const WaveFormat& f) {
    if (f.IsFloat())
        return f.BitsPerSample == 32 && f.ValidBits() == 32;
    if (f.FormatTag != WaveFormat::Pcm)
        return false;
    if (f.BitsPerSample == 32)
        return f.ValidBits() == 24 || f.ValidBits() == 32;
    return (f.BitsPerSample == 8 || f.BitsPerSample == 16 || f.BitsPerSample == 24) &&
           f.ValidBits() == f.BitsPerSample;
}

bool PlayableFormat(const WaveFormat& f) {
    return PlayableSample(f) && f.Channels >= 1 && f.Channels <= 2 && f.SamplesPerSec > 0 &&
           f.BlockAlign == f.Channels * (f.BitsPerSample / 8);
}

// Null data behind a non-zero length, or a negative length.
bool BadMemory(const WaveHeader& h) {
    return h.BufferLength < 0 || (h.BufferLength > 0 && h.Data == nullptr);
}

} // namespace

int WaveOutPort::Open(const std::string& device, const WaveFormat& format, const WaveOutPlan& plan,
                      WaveOutSink& sink) {
    if (IsOpen())
        return WaveErrAlreadyOpen;
    requested_ = format;
    if (device.empty())
        return WaveErrNoDevice;
    if (!PlayableFormat(format))
        return WaveErrBadFormat;
    const int opened = DoOpen(device, format, plan);
    if (opened != WaveOk)
        return opened;
    sink_ = &sink;
    format_ = format;
    queue_.clear();
    failed_ = paused_ = false;
    failCode_ = 0;
    sink_->DeviceOpened();
    return WaveOk;
}

int WaveOutPort::Prepare(WaveHeader& header) {
    if (!IsOpen())
        return WaveErrNotOpen;
    if (header.Flags & WaveHeaderInQueue)
        return WaveErrStillPlaying;
    if (BadMemory(header))
        return WaveErrBadBuffer;
    const int prepared = DoPrepare(header);
    if (prepared == WaveOk)
        header.Flags |= WaveHeaderPrepared;
    return prepared;
}

int WaveOutPort::Unprepare(WaveHeader& header) {
    if (!IsOpen())
        return WaveErrNotOpen;
    if (header.Flags & WaveHeaderInQueue)
        return WaveErrStillPlaying;
    const int unprepared = DoUnprepare(header);
    if (unprepared == WaveOk)
        header.Flags &= ~WaveHeaderPrepared;
    return unprepared;
}

int WaveOutPort::Write(WaveHeader& header) {
    if (!IsOpen())
        return WaveErrNotOpen;
    if (failed_)
        return failCode_;
    if (!(header.Flags & WaveHeaderPrepared))
        return WaveErrUnprepared;
    if (header.Flags & WaveHeaderInQueue)
        return WaveErrStillPlaying;
    if (BadMemory(header) || header.BufferLength % format_.BlockAlign != 0)
        return WaveErrBadBuffer;
    header.Flags = (header.Flags & ~WaveHeaderDone) | WaveHeaderInQueue;
    queue_.push_back(&header);
    const int written = DoWrite(header);
    if (written != WaveOk) {
        queue_.pop_back();
        header.Flags &= ~WaveHeaderInQueue;
    }
    return written;
}

int WaveOutPort::Pause() {
    if (!IsOpen())
        return WaveErrNotOpen;
    if (paused_)
        return WaveOk;
    paused_ = true;
    return failed_ ? WaveOk : DoPause();
}

int WaveOutPort::Restart() {
    if (!IsOpen())
        return WaveErrNotOpen;
    if (!paused_)
        return WaveOk;
    paused_ = false;
    return failed_ ? WaveOk : DoRestart();
}

int WaveOutPort::Reset() {
    if (!IsOpen())
        return WaveErrNotOpen;
    DoReset();
    HandBackAll();
    return WaveOk;
}

int WaveOutPort::Close() {
    if (!IsOpen())
        return WaveErrNotOpen;
    DoClose();
    HandBackAll();
    WaveOutSink* sink = sink_;
    sink_ = nullptr;
    failed_ = paused_ = false;
    failCode_ = 0;
    sink->DeviceClosed();
    return WaveOk;
}

int WaveOutPort::Withdraw(int64_t maxFrames, std::vector<uint8_t>& taken) {
    taken.clear();
    if (!IsOpen())
        return WaveErrNotOpen;
    if (failed_)
        return failCode_;
    // Asked first: the back end may hand back buffers it has finished. Nothing of the device
    // moves between this, the copy and DoWithdraw but the device's own playing.
    int64_t skip = std::max<int64_t>(DoPlayedFrames(), 0);
    const int64_t frameBytes = format_.BlockAlign;
    int64_t copied = 0;
    for (const WaveHeader* h : queue_) {
        if (copied >= maxFrames)
            break;
        const int64_t frames = h->BufferLength / frameBytes;
        const int64_t from = std::min(skip, frames);
        skip -= from;
        const int64_t n = std::min(frames - from, maxFrames - copied);
        taken.insert(taken.end(), h->Data + from * frameBytes, h->Data + (from + n) * frameBytes);
        copied += n;
    }
    DoWithdraw();
    HandBackAll();
    return WaveOk;
}

int64_t WaveOutPort::Delay() const {
    if (!IsOpen() || failed_)
        return 0;
    return std::max<int64_t>(DoDelay(), 0);
}

std::string WaveOutPort::ErrorText(int code) const {
    switch (code) {
    case WaveErrRate:
        return "The output device cannot play at " + std::to_string(requested_.SamplesPerSec) +
               " Hz.";
    case WaveErrSampleFormat:
        return "The output device does not take " + SampleFormatName(requested_) + " samples.";
    default:
        return code >= 0 ? WaveOutResultText(code) : DoErrorText(code);
    }
}

void WaveOutPort::HandBackOldest() {
    if (queue_.empty())
        return;
    WaveHeader* h = queue_.front();
    queue_.pop_front();
    h->Flags = (h->Flags & ~WaveHeaderInQueue) | WaveHeaderDone;
    sink_->BufferDone(*h);
}

void WaveOutPort::HandBackAll() {
    while (!queue_.empty())
        HandBackOldest();
}

void WaveOutPort::ReportFailure(int code) {
    if (!IsOpen() || failed_)
        return;
    failed_ = true;
    failCode_ = code != WaveOk ? code : WaveErrNotResponding; // a later Write must fail
    sink_->DeviceFailed(failCode_);
}

} // namespace quavril
