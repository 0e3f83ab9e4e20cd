#include "audio/VirtualWaveOut.h"

#include <QTimer>
#include <algorithm>

namespace quavril {

VirtualWaveOut::VirtualWaveOut() = default;

VirtualWaveOut::~VirtualWaveOut() {
    if (IsOpen())
        Close();
}

int VirtualWaveOut::DoOpen(const std::string& device, const WaveFormat& format,
                           const WaveOutPlan& plan) {
    ++openCalls_;
    // "16bit", "24bit", "32bit float", "32bit/24" (24 valid bits in 32-bit words).
    std::string sample = std::to_string(format.BitsPerSample) + "bit";
    if (format.IsFloat())
        sample += " float";
    else if (format.ValidBits() != format.BitsPerSample)
        sample += "/" + std::to_string(format.ValidBits());
    Log("open " + device + " " + std::to_string(format.Channels) + "ch " +
        std::to_string(format.SamplesPerSec) + "Hz " + sample);
    if (openFailure_ != 0)
        return openFailure_;
    if (!missingDevice_.empty() && device == missingDevice_)
        return WaveErrNoDevice;
    for (const auto& [tag, bits] : refusedSamples_)
        if (format.FormatTag == tag && format.BitsPerSample == bits)
            return WaveErrSampleFormat;
    if (std::find(refusedRates_.begin(), refusedRates_.end(), format.SamplesPerSec) !=
        refusedRates_.end())
        return WaveErrRate;
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
    heardFrames_ = 0;
}

void VirtualWaveOut::DoWithdraw() {
    Log("withdraw");
    queue_.clear();
    heardFrames_ = 0;
}

void VirtualWaveOut::DoClose() {
    Log("close");
    queue_.clear();
    heardFrames_ = 0;
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
    played_.insert(played_.end(), h->Data + heardFrames_ * format_.BlockAlign,
                   h->Data + h->BufferLength);
    heardFrames_ = 0;
    playedLengths_.push_back(h->BufferLength);
    HandBackOldest();
    return true;
}

bool VirtualWaveOut::PlayFrames(int64_t frames) {
    if (!IsOpen() || IsPaused() || queue_.empty() || Failed() || frames < 0)
        return false;
    const WaveHeader* h = queue_.front();
    const int64_t from = heardFrames_ * format_.BlockAlign;
    const int64_t to = from + frames * format_.BlockAlign;
    if (to > h->BufferLength)
        return false;
    played_.insert(played_.end(), h->Data + from, h->Data + to);
    heardFrames_ += frames;
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
