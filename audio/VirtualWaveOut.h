#pragma once
// A deterministic wave-out device for tests. It records every call that reaches it (the port
// refuses calls that break the contract before they get here) and every buffer it is given;
// buffers are consumed only when the test says so (CompleteNext), or, in auto-play mode, one
// per turn of the event loop. Failures of any operation can be injected.
#include "audio/WaveOutPort.h"
#include <QObject>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace quavril {

class VirtualWaveOut : public QObject, public WaveOutPort {
public:
    VirtualWaveOut();
    ~VirtualWaveOut() override;

    // --- Test controls ---------------------------------------------------------------------
    // The devices Devices() reports.
    void SetDevices(std::vector<WaveOutDevice> devices) { devices_ = std::move(devices); }
    // Open of this name fails with WaveErrNoDevice (any other name opens).
    void SetMissingDevice(std::string name) { missingDevice_ = std::move(name); }
    // The n-th call (1-based, counted since construction) of Open / Prepare / Write that
    // reaches the device fails with `code`; 0 disables.
    void FailOpen(int code) { openFailure_ = code; }
    void FailPrepareCall(int n, int code) { prepareFailAt_ = n, prepareFailure_ = code; }
    void FailWriteCall(int n, int code) { writeFailAt_ = n, writeFailure_ = code; }
    // Open refuses samples of this format tag and word size (WaveErrSampleFormat), or this
    // rate (WaveErrRate), as a device without them does.
    void RefuseSamples(uint16_t formatTag, uint16_t bitsPerSample) {
        refusedSamples_.push_back({formatTag, bitsPerSample});
    }
    void RefuseRate(uint32_t hz) { refusedRates_.push_back(hz); }

    // The device consumes the oldest queued buffer: its bytes are appended to Played() and it
    // is handed back. False when nothing is queued or the device is paused.
    bool CompleteNext();
    // The device plays `frames` more frames of the oldest queued buffer without finishing it:
    // they are appended to Played() (the rest follows when it completes). False when nothing
    // is queued, the device is paused or the buffer holds fewer unplayed frames.
    bool PlayFrames(int64_t frames);
    // Completes every queued buffer; returns how many.
    int CompleteAll();
    // The connection breaks (a device unplugged): DeviceFailed(code), later writes fail.
    void Break(int code);
    // Auto-play: every queued buffer is consumed, one per turn of the event loop.
    void SetAutoPlay(bool on);
    // The delay the device reports (frames not heard yet), whatever is queued.
    void SetReportedDelay(int64_t frames) { reportedDelay_ = frames; }

    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    const std::vector<uint8_t>& Played() const { return played_; }
    // Lengths of the consumed buffers, in consumption order.
    const std::vector<int32_t>& PlayedLengths() const { return playedLengths_; }
    const std::string& OpenedDevice() const { return openedDevice_; }
    const WaveFormat& OpenedFormat() const { return format_; }
    const WaveOutPlan& OpenedPlan() const { return plan_; }
    int OpenCount() const { return openCalls_; }

    static constexpr int VirtualFailure = -1000; // a back-end code with its own text

protected:
    std::vector<WaveOutDevice> DoDevices() const override { return devices_; }
    int DoOpen(const std::string& device, const WaveFormat& format,
               const WaveOutPlan& plan) override;
    int DoPrepare(WaveHeader& header) override;
    int DoUnprepare(WaveHeader& header) override;
    int DoWrite(WaveHeader& header) override;
    int DoPause() override;
    int DoRestart() override;
    void DoReset() override;
    void DoClose() override;
    int64_t DoPlayedFrames() override { return heardFrames_; }
    void DoWithdraw() override;
    int64_t DoDelay() const override { return reportedDelay_; }
    std::string DoErrorText(int code) const override;

private:
    void Log(std::string entry) { log_.push_back(std::move(entry)); }
    void ScheduleAutoPlay();

    std::vector<WaveOutDevice> devices_;
    std::string missingDevice_;
    WaveFormat format_;
    WaveOutPlan plan_;
    std::string openedDevice_;
    std::deque<WaveHeader*> queue_;
    int64_t heardFrames_ = 0; // of the oldest queued buffer
    std::vector<std::pair<uint16_t, uint16_t>> refusedSamples_;
    std::vector<uint32_t> refusedRates_;
    std::vector<std::string> log_;
    std::vector<uint8_t> played_;
    std::vector<int32_t> playedLengths_;
    int openFailure_ = 0;
    int prepareFailAt_ = 0, prepareFailure_ = 0;
    int writeFailAt_ = 0, writeFailure_ = 0;
    int openCalls_ = 0, prepareCalls_ = 0, writeCalls_ = 0;
    int64_t reportedDelay_ = 0;
    bool autoPlay_ = false;
    bool autoPlayScheduled_ = false;
};

} // namespace quavril
