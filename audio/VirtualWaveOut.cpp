#include "audio/VirtualWaveOut.h"

#include <QTimer>

namespace quavril {

VirtualWaveOut::VirtualWaveOut() = default;

VirtualWaveOut::~VirtualWaveOut() {
    if (IsOpen())
        Close();
}

int VirtualWaveOut::DoOpen(const std::string& device, const WaveFormat& format,
                           const WaveOutPlan& plan) {
    ++openCalls_;
    Log("open " + device + " " + std::to_string(format.Channels) + "ch " +
        std::to_string(format.SamplesPerSec) + "Hz " + std::to_string(format.BitsPerSample) +
        "bit");
    if (openFailure_ != 0)
        return openFailure_;
    if (!missingDevice_.empty() && device == missingDevice_)
        return WaveErrNoDevice;
    format_ = format;
    plan_ = plan;
    openedDevice_ = device;
    queue_.clear();
    return WaveOk;
}

int VirtualWaveOut::DoPrepare(WaveHeader& header) {
    ++prepareCalls_;
    Log("prepare " + std::to_string(header.User));
    return prepareFailAt_ == prepareCalls_ ? prepareFailure_ : WaveOk;
}

int VirtualWaveOut::DoUnprepare(WaveHeader& header) {
    Log("unprepare " + std::to_string(header.User));
    return WaveOk;
}

int VirtualWaveOut::DoWrite(WaveHeader& header) {
    ++writeCalls_;
    Log("write " + std::to_string(header.User) + " " + std::to_string(header.BufferLength));
    if (writeFailAt_ == writeCalls_)
        return writeFailure_;
    queue_.push_back(&header);
    ScheduleAutoPlay();
    return WaveOk;
}

int VirtualWaveOut::DoPause() {
    Log("pause");
    return WaveOk;
}

int VirtualWaveOut::DoRestart() {
    Log("restart");
    ScheduleAutoPlay();
    return WaveOk;
}

void VirtualWaveOut::DoReset() {
    Log("reset");
    queue_.clear();
}

void VirtualWaveOut::DoClose() {
    Log("close");
    queue_.clear();
}

std::string VirtualWaveOut::DoErrorText(int code) const {
    if (code == VirtualFailure)
        return "The virtual device failed.";
    return "Virtual device error " + std::to_string(code) + ".";
}

bool VirtualWaveOut::CompleteNext() {
    if (!IsOpen() || IsPaused() || queue_.empty() || Failed())
        return false;
    WaveHeader* h = queue_.front();
    queue_.pop_front();
    played_.insert(played_.end(), h->Data, h->Data + h->BufferLength);
    playedLengths_.push_back(h->BufferLength);
    HandBackOldest();
    return true;
}

int VirtualWaveOut::CompleteAll() {
    int n = 0;
    while (CompleteNext())
        ++n;
    return n;
}

void VirtualWaveOut::Break(int code) {
    ReportFailure(code);
}

void VirtualWaveOut::SetAutoPlay(bool on) {
    autoPlay_ = on;
    ScheduleAutoPlay();
}

void VirtualWaveOut::ScheduleAutoPlay() {
    if (!autoPlay_ || autoPlayScheduled_ || queue_.empty() || IsPaused())
        return;
    autoPlayScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        autoPlayScheduled_ = false;
        if (autoPlay_ && CompleteNext())
            ScheduleAutoPlay();
    });
}

} // namespace quavril
