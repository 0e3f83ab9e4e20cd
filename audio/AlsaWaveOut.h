#pragma once
// The ALSA back end of the wave-out port.
//
// The PCM is opened non-blocking. The caller's buffers are kept in a queue and copied into the
// device's ring as it accepts frames, so they need not match the device's period or ring size
// (which the device may round or refuse: the real values are read back). Completion is
// tracked in stream frames: a buffer is done once its last frame is at or below
// written - snd_pcm_delay(), i.e. once it has been played, whatever the period size.
//
// Waiting: while frames wait for room in the ring, the PCM's poll descriptors are watched by
// QSocketNotifiers; when a descriptor fires without room (PipeWire's event fd fires every graph
// cycle, whatever avail_min says) the notifiers are switched off and a timer waits for the
// room instead. When everything is written the notifiers are off and a timer wakes at the next
// expected completion. While a buffer waits for completion and the ring runs low, silence is
// appended so that the delay runs down and the last frames really play (no drain: it would
// block). Underruns and suspends are recovered in one place without ending the stream; any
// other failure (a device that disappears) is reported once through DeviceFailed.
//
// Withdraw rewinds the ring to the first frame the device can still give back
// (snd_pcm_rewindable) instead of dropping it, so that a soft stop's fade-out follows the
// frames already on their way without a gap or a repeated frame.
#include "audio/WaveOutPort.h"
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct _snd_pcm;
struct pollfd;
class QSocketNotifier;

namespace quavril {

class AlsaWaveOut : public QObject, public WaveOutPort {
public:
    enum class PauseMode {
        Device,  // snd_pcm_pause where the device supports it, else emulated
        Emulate, // always drop the ring and write the unplayed frames again (tests)
    };

    explicit AlsaWaveOut(PauseMode pauseMode = PauseMode::Device);
    ~AlsaWaveOut() override;

    // Ring and period of the open device in frames, as the device set them.
    int64_t RingFrames() const { return ringFrames_; }
    int64_t PeriodFrames() const { return periodFrames_; }

protected:
    std::vector<WaveOutDevice> DoDevices() const override;
    int DoOpen(const std::string& device, const WaveFormat& format,
               const WaveOutPlan& plan) override;
    int DoWrite(WaveHeader& header) override;
    int DoPause() override;
    int DoRestart() override;
    void DoReset() override;
    void DoClose() override;
    int64_t DoPlayedFrames() override;
    void DoWithdraw() override;
    // The frames of the queued buffers not played yet, with the device's delay read now.
    int64_t DoDelay() const override;
    // The one place where ALSA's codes become texts.
    std::string DoErrorText(int code) const override;

private:
    // One caller buffer on its way through the ring. Positions count the frames written into
    // the device in this connection (silence included); -1 while not yet reached.
    struct Pending {
        WaveHeader* header;
        int64_t frames;
        int64_t writtenFrames = 0;
        int64_t start = -1; // position of its first frame
        int64_t end = -1;   // position after its last frame
    };

    int Configure(const WaveFormat& format, const WaveOutPlan& plan);
    void CreateNotifiers();
    void DeleteNotifiers();
    void SetNotifiersEnabled(bool on);

    // Writes, starts, retires finished buffers and arms the next wake-up.
    void Service();
    bool WriteQueued();
    bool StartIfReady();
    bool RetireConsumed();
    void ArmWakeup();
    void PadSilence(int64_t frames);
    // Underrun (-EPIPE) and suspend (-ESTRPIPE) are recovered here: 0 when the stream goes
    // on, else the code that ends it (the recovery's own failure, or `code` itself).
    int Recover(int code);
    // The code that reports a failure which recovery could not end.
    static int NotResponding(int code);
    // Any other error: reported once; the connection then waits for Reset/Close.
    void Fail(int code);
    // Drops the ring and sets the queue back to the first unplayed frame (pause without device
    // support). Frames already played are retired first.
    void RewindToPlayed();
    // Forgets the queue; the port hands the buffers back.
    void DropQueue();
    void OnDescriptor(int fd, bool readable);
    int64_t RingLevel() const;
    // The position (frames written) after which the device can still give frames back: what
    // it has not yet committed to playing (snd_pcm_rewindable), from the oldest queued buffer.
    int64_t TakeBackPosition() const;
    // Frames written that the device can still give back (0 unless running or prepared).
    int64_t Rewindable() const;
    int MillisecondsFor(int64_t frames) const;

    PauseMode pauseMode_;
    _snd_pcm* pcm_ = nullptr;
    WaveFormat format_;
    int64_t ringFrames_ = 0;
    int64_t periodFrames_ = 0;
    bool canPause_ = false;
    std::deque<Pending> queue_;
    size_t writeIndex_ = 0;         // first queue entry with frames still to write
    int64_t written_ = 0;           // frames written into the device (silence included)
    int64_t consumed_ = 0;          // frames the device has played
    int64_t takeBackFrom_ = -1;     // TakeBackPosition at the last DoPlayedFrames
    bool noisyDescriptors_ = false; // the descriptors fire without room: wait on timers
    bool inService_ = false;
    std::vector<pollfd> pollFds_;
    std::vector<QSocketNotifier*> notifiers_;
    QTimer timer_;
    std::vector<uint8_t> silence_;
};

} // namespace quavril
