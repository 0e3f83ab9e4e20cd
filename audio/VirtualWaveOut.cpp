#include "audio/VirtualWaveOut.h"

#include <QTimer>

namespace quavril {

VirtualWaveOut::VirtualWaveOut() = default;

VirtualWaveOut::~VirtualWaveOut() {
    if (sink_)
        Close();
}

int VirtualWaveOut::Open(const std::string& device, const WaveFormat& format,
                         const WaveOutPlan& plan, WaveOutSink& sink) {
    ++openCalls_;
    Log("open " + device + " " + std::to_string(format.Channels) + "ch " +
        std::to_string(format.SamplesPerSec) + "Hz " + std::to_string(format.BitsPerSample) +
        "bit");
    if (sink_)
        return WaveErrAlreadyOpen;
    if (openFailure_ != 0)
        return openFailure_;
    if (!missingDevice_.empty() && device == missingDevice_)
        return WaveErrNoDevice;
    if (format.Channels < 1 || format.Channels > 2 ||
        (format.BitsPerSample != 8 && format.BitsPerSample != 16) || format.SamplesPerSec == 0)
        return WaveErrBadFormat;
    sink_ = &sink;
    format_ = format;
    plan_ = plan;
    openedDevice_ = device;
    paused_ = false;
    brokenCode_ = 0;
    sink_->DeviceOpened();
    return WaveOk;
}

int VirtualWaveOut::Prepare(WaveHeader& header) {
    ++prepareCalls_;
    Log("prepare " + std::to_string(header.User));
    if (!sink_)
        return WaveErrNotOpen;
    if (prepareFailAt_ == prepareCalls_)
        return prepareFailure_;
    header.Flags |= WaveHeaderPrepared;
    return WaveOk;
}

int VirtualWaveOut::Unprepare(WaveHeader& header) {
    Log("unprepare " + std::to_string(header.User));
    if (!sink_)
        return WaveErrNotOpen;
    header.Flags &= ~WaveHeaderPrepared;
    return WaveOk;
}

int VirtualWaveOut::Write(WaveHeader& header) {
    ++writeCalls_;
    Log("write " + std::to_string(header.User) + " " + std::to_string(header.BufferLength));
    if (!sink_)
        return WaveErrNotOpen;
    if (brokenCode_ != 0)
        return brokenCode_;
    if (writeFailAt_ == writeCalls_)
        return writeFailure_;
    if (!(header.Flags & WaveHeaderPrepared))
        return WaveErrUnprepared;
    if (header.BufferLength < 0 || header.BufferLength % format_.BlockAlign != 0 ||
        (header.BufferLength > 0 && header.Data == nullptr))
        return WaveErrBadBuffer;
    header.Flags = (header.Flags & ~WaveHeaderDone) | WaveHeaderInQueue;
    queue_.push_back(&header);
    ScheduleAutoPlay();
    return WaveOk;
}

int VirtualWaveOut::Pause() {
    Log("pause");
    if (!sink_)
        return WaveErrNotOpen;
    paused_ = true;
    return WaveOk;
}

int VirtualWaveOut::Restart() {
    Log("restart");
    if (!sink_)
        return WaveErrNotOpen;
    paused_ = false;
    ScheduleAutoPlay();
    return WaveOk;
}

void VirtualWaveOut::HandBack(WaveHeader& header) {
    header.Flags = (header.Flags & ~WaveHeaderInQueue) | WaveHeaderDone;
    sink_->BufferDone(header);
}

int VirtualWaveOut::Reset() {
    Log("reset");
    if (!sink_)
        return WaveErrNotOpen;
    HandBackQueue();
    return WaveOk;
}

void VirtualWaveOut::HandBackQueue() {
    while (!queue_.empty()) {
        WaveHeader* h = queue_.front();
        queue_.pop_front();
        HandBack(*h);
    }
}

int VirtualWaveOut::Close() {
    Log("close");
    if (!sink_)
        return WaveErrNotOpen;
    HandBackQueue();
    WaveOutSink* sink = sink_;
    sink_ = nullptr;
    paused_ = false;
    sink->DeviceClosed();
    return WaveOk;
}

std::string VirtualWaveOut::ErrorText(int code) const {
    if (code == VirtualFailure)
        return "The virtual device failed.";
    if (code < 0)
        return "Virtual device error " + std::to_string(code) + ".";
    return WaveOutResultText(code);
}

bool VirtualWaveOut::CompleteNext() {
    if (!sink_ || paused_ || queue_.empty() || brokenCode_ != 0)
        return false;
    WaveHeader* h = queue_.front();
    queue_.pop_front();
    played_.insert(played_.end(), h->Data, h->Data + h->BufferLength);
    playedLengths_.push_back(h->BufferLength);
    HandBack(*h);
    return true;
}

int VirtualWaveOut::CompleteAll() {
    int n = 0;
    while (CompleteNext())
        ++n;
    return n;
}

void VirtualWaveOut::Break(int code) {
    if (!sink_)
        return;
    brokenCode_ = code;
    sink_->DeviceFailed(code);
}

void VirtualWaveOut::SetAutoPlay(bool on) {
    autoPlay_ = on;
    ScheduleAutoPlay();
}

void VirtualWaveOut::ScheduleAutoPlay() {
    if (!autoPlay_ || autoPlayScheduled_ || queue_.empty() || paused_)
        return;
    autoPlayScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        autoPlayScheduled_ = false;
        if (autoPlay_ && CompleteNext())
            ScheduleAutoPlay();
    });
}

} // namespace quavril
