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
// Before each Start assign Stereo, FrameRate, Quantization and NumBuffers first and
// BufferSize last, and assign none of them while DeviceOpen is true.
#include "audio/TAudioIO.h"
#include "audio/WaveOutPort.h"
#include <QPointer>
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
// Observer of the queued samples: `Data` holds `Bytes` bytes (whole frames, in the format of
// the open connection) just handed to the device, in stream order. Runs on the thread of the
// fill; it must not keep the pointer.
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

    // A notice of the connection `relay` belongs to, taken from the event loop.
    void HandleNotice(Relay* relay, Notice notice, int code);
    void HandleDone();
    void HandleFailed(Relay* relay, int code);

    std::unique_ptr<WaveOutPort> port_;
    std::array<WaveHeader, MaxBuffers> headers_{};
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
