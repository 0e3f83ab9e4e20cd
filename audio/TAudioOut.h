#pragma once
// TAudioOut: plays an open-ended stream of PCM buffers on a wave output device.
//
// The component owns a ring of 2..4 equal buffers. Start opens the device, asks the owner to
// fill every buffer through OnFillBuffer and queues them; each buffer the device hands back
// is refilled and queued again; once the owner reports that no more data follows, the queued
// buffers play out and the device closes by itself. Device notices (opened, done, closed)
// reach the component through the Qt event loop (a private relay object per device
// connection), so the owner's handlers always run on the user-interface thread, never nested
// inside a call into the component. No worker threads.
//
// Before each Start assign Stereo, FrameRate, Quantization or Samples and NumBuffers first
// and BufferSize last, and assign none of them while DeviceOpen is true.
//
// The device is opened with the samples the fill handler writes; a device that does not take
// packed 24-bit samples is offered them in 32-bit words (the component widens every buffer).
//
// A soft stop (StopSoftly) keeps a copy of the sound already queued and not yet heard, takes
// the device's queue back and queues the first frames of the copy again, fading out along a
// raised cosine: Playing is false at once, the device closes (and OnStop follows) once the
// fade has played.
#include "audio/TAudioIO.h"
#include "audio/WaveOutPort.h"
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quavril {

// Fill event: `Buffer` is the first byte of the buffer, `Size` its capacity in bytes on entry
// (whole frames) and the number of bytes to play on return. Result: true when the buffer holds
// data to play, false when no more data follows.
using TBufferEvent = std::function<bool(uint8_t* Buffer, int32_t& Size)>;
// Observer of the queued samples: `Data` holds `Bytes` bytes (whole frames in the fill's
// samples, also where the device gets 24-bit ones in 32-bit words) just handed to the device,
// in stream order, the fade-out of a soft stop included. Runs on the thread of the fill; it
// must not keep the pointer.
using TQueuedEvent = std::function<void(const uint8_t* Data, int32_t Bytes)>;
// Notification: the sender is the connection's relay object (one per device connection).
using TNotifyEvent = std::function<void(QObject* Sender)>;

class TAudioOut : public TAudioIO {
public:
    // Plays through the platform's back end (CreateWaveOutPort).
    explicit TAudioOut(QObject* owner = nullptr);
    // Plays through the given port (tests pass a virtual device).
    explicit TAudioOut(std::unique_ptr<WaveOutPort> port, QObject* owner = nullptr);
    ~TAudioOut() override;

    WaveOutPort& Port() const { return *port_; }

    // -1 selects the system's default device, 0..n-1 the device named DeviceNames()[n].
    int32_t WaveDevice() const { return waveDevice_; }
    void SetWaveDevice(int32_t device) { waveDevice_ = device; }
    // Names (for opening) of the devices 0..n-1, normally DeviceList::DeviceNames().
    const std::vector<std::string>& DeviceNames() const { return deviceNames_; }
    void SetDeviceNames(std::vector<std::string> names) { deviceNames_ = std::move(names); }
    // The name Start opens for the current WaveDevice ("" when the number is out of range).
    std::string DeviceName() const;

    // Holds the output while playing; before Start it is stored and the device starts paused.
    // Every close clears it.
    bool Paused() const { return paused_; }
    void SetPaused(bool paused);

    bool DeviceOpen() const { return deviceOpen_; }
    bool Active() const { return active_; }

    // Counters since the last start; QueuedCount = FilledCount - DoneCount.
    int32_t FilledCount() const { return filledCount_; }
    int32_t DoneCount() const { return doneCount_; }
    int32_t QueuedCount() const { return queuedCount_; }
    int32_t NextBuffer() const { return nextBuffer_; }

    // Opens the device and queues every buffer. False with ErrorMessage set on any failure
    // (the component is then idle again).
    bool Start();
    // Stops at once: queued buffers are discarded and the device closed. Nothing when idle.
    void StopNow() override;
    // Lets the queued buffers play out, then the device closes. Nothing when idle.
    void StopAfterQueue() override;
    // Stops with a fade-out of `fadeFrames` frames: the first of them are the frames queued
    // and not yet heard (more are asked from the fill handler while the signal goes on), so
    // the sound ends at most `fadeFrames` frames after what the device had already taken (on
    // its way to the listener: a period or so). Playing is false at once; the
    // device closes after the fade, or at the latest a second after its planned end. Stops at
    // once (StopNow) when `fadeFrames` is not above 0 or the output is paused; nothing when
    // idle or already fading.
    void StopSoftly(int64_t fadeFrames);
    // A fade-out of a soft stop is playing.
    bool Fading() const { return fading_; }
    // The format the open connection plays (what the fill handler writes unless 24-bit
    // samples are widened into 32-bit words for the device).
    const WaveFormat& DeviceFormat() const { return deviceFormat_; }

    TBufferEvent OnFillBuffer;
    TNotifyEvent OnStart; // the device opened (after Start has returned)
    TNotifyEvent OnStop;  // the device closed (natural end, StopNow, failed start)
    // The device failed while playing (for example it was unplugged): ErrorMessage holds its
    // text; the playback is stopped at once and OnStop follows.
    TNotifyEvent OnError;
    // Every buffer queued to the device (unset: nothing is called).
    TQueuedEvent OnQueued;

protected:
    virtual bool FillBuffer(int index, int32_t capacity);
    virtual void CloseDevice();
    virtual bool OpenDevice();

private:
    // Receives one connection's notices from the port and hands them back from the event
    // loop (defined in TAudioOut.cpp).
    class Relay;
    enum class Notice { Opened, Done, Closed, Failed };

    bool QueueAll();
    bool WriteNext();
    bool EnsureBuffers();
    void SetPlatformError(int code);
    // Opens the port with the fill's format, else (24-bit samples) with 32-bit words.
    int OpenPort(Relay& sink);
    // Bytes the device gets for `bytes` written by the fill handler.
    int32_t DeviceBytes(int32_t bytes) const;
    // OnQueued with bytes the device got, in the fill's samples.
    void Tap(const uint8_t* data, int32_t bytes);
    // Appends up to `frames` frames that the fill handler renders after the queued ones, as
    // long as the signal goes on; returns the frames appended.
    int64_t RenderAhead(int64_t frames, std::vector<uint8_t>& out);

    // A notice of the connection `relay` belongs to, taken from the event loop.
    void HandleNotice(Relay* relay, Notice notice, int code);
    void HandleDone();
    void HandleFailed(Relay* relay, int code);

    // The header of a soft stop's fade-out, told apart from the ring's slots by its number.
    static constexpr uintptr_t FadeSlot = MaxBuffers;

    std::unique_ptr<WaveOutPort> port_;
    std::array<WaveHeader, MaxBuffers> headers_{};
    WaveHeader fadeHeader_{};
    std::vector<uint8_t> fadeFrames_; // the faded copy the device plays
    QTimer fadeDeadline_;
    WaveFormat deviceFormat_;
    bool widen_ = false; // 24-bit samples go out in 32-bit words
    bool fading_ = false;
    std::array<bool, MaxBuffers> counted_{}; // the slot's last fill returned true
    QPointer<QObject> relay_;                // the open connection's; null when closed
    std::vector<std::string> deviceNames_;
    int32_t waveDevice_ = -1;
    int32_t ringSize_ = MaxBuffers; // NumBuffers of the open connection
    int32_t slotCapacity_ = 0;      // EffectiveBufferSize of the open connection
    int32_t nextBuffer_ = 0;
    int32_t filledCount_ = 0;
    int32_t doneCount_ = 0;
    int32_t queuedCount_ = 0;
    bool deviceOpen_ = false;
    bool paused_ = false;
};

} // namespace quavril
