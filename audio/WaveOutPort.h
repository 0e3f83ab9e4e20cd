#pragma once
// The wave-out port: the few device operations the wave output component (TAudioOut) is
// written against. A back end (ALSA, the virtual test device) implements its Do* methods and
// nothing else of the component; the protocol above it stays the same for every back end.
//
// Contract
// --------
// The public methods are not virtual: each checks the rules below once, for every back end,
// and only then calls the back end's protected Do* method. A back end therefore never sees a
// call that breaks the contract, and every back end refuses exactly the same calls.
//
// What the caller (TAudioOut) guarantees:
//  - Every call comes from the thread that created the port (the user-interface thread), and
//    never from inside a sink method.
//  - The memory of a header and of its Data stays valid and does not move from Write until the
//    buffer comes back through BufferDone (or Reset/Close has returned).
//
// What the port checks (and answers with an error code instead of acting):
//  - calls without an open connection (WaveErrNotOpen), Open while open (WaveErrAlreadyOpen);
//  - Open of an empty device name (WaveErrNoDevice) or of a format that is not one of the
//    samples below with one or two channels, a non-zero rate and a matching BlockAlign
//    (WaveErrBadFormat): integer PCM of 8 (unsigned), 16 or 24 bits (three bytes), 24 bits in
//    32-bit words (the sample in the upper three bytes, the lowest byte 0), or 32-bit IEEE
//    float;
//  - Prepare of a null Data with a non-zero length or of a negative length
//    (WaveErrBadBuffer);
//  - Prepare, Unprepare or Write of a header the device holds (WaveErrStillPlaying);
//  - Write of a header that is not prepared (WaveErrUnprepared), of a null Data with a
//    non-zero length, a negative length or one that is not a whole number of frames
//    (WaveErrBadBuffer);
//  - Write after the connection failed (the code of the failure).
// The port keeps the header flags (prepared, in queue, done) and the queue order itself.
//
// What a back end must check: what only it knows, answered with the port's codes where one
// fits, so that the user reads the same text whatever the back end: a sampling rate it cannot
// play (WaveErrRate), a sample format it does not take (WaveErrSampleFormat), other formats
// (WaveErrBadFormat); the device's own failures with its own (negative) codes.
//
// What the port promises the caller (the back end feeds it through HandBackOldest and
// ReportFailure):
//  - Notices go to the sink given to Open: DeviceOpened once from a successful Open,
//    BufferDone once per written buffer in the order of Write, DeviceClosed once from Close.
//    They may be raised synchronously from inside a port call or from the back end's own
//    event handling; the sink defers them to the event loop, so the component sees them in
//    order and never re-entrantly.
//  - Reset stops the output at once and hands back every queued buffer (BufferDone, in queue
//    order) before it returns.
//  - Close always ends the connection: buffers still queued are handed back first, as by Reset,
//    then DeviceClosed is raised. No notice of that connection follows DeviceClosed.
//  - A failure that ends the connection while it plays (a device that disappears) is reported
//    once through DeviceFailed with its code; the connection then plays nothing more until the
//    caller resets and closes it.
//  - Pause and Restart reach the back end only when they change the state.
//  - Withdraw takes every queued buffer back without stopping the device: what it can no longer
//    take back plays on, and what is written next follows it without a gap. Every queued
//    buffer is handed back (BufferDone, in queue order) before it returns. The frames it took
//    back are copied first, in queue order, in the same call (the frames the device keeps are
//    those the back end reports, never more than are queued).
//  - Delay answers 0 without an open connection or after a failure.
//
// What a back end promises:
//  - A buffer is handed back (HandBackOldest) once the device has consumed its last frame (a
//    zero-length buffer as soon as every buffer queued before it is done). Its Data is not
//    read after that.
//  - Pause holds the output without losing queued frames; Restart continues where it stopped.
//    Both are harmless while nothing is queued; a buffer written while paused stays silent.
//  - DoReset and DoClose drop everything queued at once, without handing anything back.
//  - DoPlayedFrames tells how many frames of the queued buffers, counted from the oldest, the
//    device can no longer take back: heard, or on their way to the listener (it may hand back
//    buffers that are finished first). DoWithdraw, called right after it, forgets the queue
//    and takes back from the device every frame after those, so that the next write follows
//    them.
//  - A back end that is destroyed while open closes the connection in its destructor.
//  - DoDelay tells how many frames of the written buffers the listener has not heard yet (what
//    is queued, in the device's own buffering or still waiting for room there, paused frames
//    included, padding silence not), read from the device at the time of the call.
//  - No busy waiting and no threads: waits are event-loop notifiers and timers.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace quavril {

// Format record of interleaved little-endian samples.
struct WaveFormat {
    static constexpr uint16_t Pcm = 1;       // integer samples
    static constexpr uint16_t IeeeFloat = 3; // 32-bit float samples, full scale 1.0

    uint16_t FormatTag = Pcm;
    uint16_t Channels = 1;          // 1 or 2
    uint32_t SamplesPerSec = 22050; // frames per second, Hz
    uint32_t AvgBytesPerSec = 44100;
    uint16_t BlockAlign = 2;     // bytes per frame = (BitsPerSample / 8) * Channels
    uint16_t BitsPerSample = 16; // bits of one sample's word: 8 (unsigned), 16, 24, 32
    uint16_t ExtraSize = 0;
    // Bits that carry the signal; 0 when all of them do. 24 in a 32-bit word: the sample
    // fills the upper three bytes, the lowest byte is 0.
    uint16_t ValidBitsPerSample = 0;

    uint16_t ValidBits() const { return ValidBitsPerSample ? ValidBitsPerSample : BitsPerSample; }
    bool IsFloat() const { return FormatTag == IeeeFloat; }
    bool operator==(const WaveFormat&) const = default;
};

// The sample format in words, as the user reads it: "16-bit", "24-bit", "32-bit float".
std::string SampleFormatName(const WaveFormat& format);

// Flags of a WaveHeader.
enum WaveHeaderFlag : uint32_t {
    WaveHeaderDone = 0x01,     // handed back by the device
    WaveHeaderPrepared = 0x02, // prepared for the open connection
    WaveHeaderInQueue = 0x10,  // held by the device
};

// One buffer as the device sees it. The caller owns the memory.
struct WaveHeader {
    uint8_t* Data = nullptr;
    int32_t BufferLength = 0; // bytes to play, whole frames
    uintptr_t User = 0;       // the caller's slot number
    uint32_t Flags = 0;       // WaveHeaderFlag bits, kept by the port
};

// Result codes: 0 success; positive codes are the port's own (below); negative codes are the
// back end's (for ALSA the negative errno values of the library).
enum WaveOutResult : int {
    WaveOk = 0,
    WaveErrNotOpen = 1,       // no connection is open
    WaveErrAlreadyOpen = 2,   // Open while a connection is open
    WaveErrUnprepared = 3,    // Write of a header that is not prepared
    WaveErrBadBuffer = 4,     // null data, negative length or not whole frames
    WaveErrBadFormat = 5,     // a format the device cannot play
    WaveErrNoDevice = 6,      // no device behind the requested name or number
    WaveErrStillPlaying = 7,  // Unprepare of a header that the device still holds
    WaveErrNotResponding = 8, // the device stopped taking frames (gone while playing)
    WaveErrRate = 9,          // the device cannot play the sampling rate
    WaveErrSampleFormat = 10, // the device does not take the sample format
};

// Texts of the port's own (positive) codes; back ends use it inside their ErrorText.
std::string WaveOutResultText(int code);

// A playback device as the back end reports it.
struct WaveOutDevice {
    std::string Name;        // what Open takes, e.g. "hw:CARD=PCH,DEV=0"
    std::string Description; // what the user sees, possibly several lines
};

// How the caller uses a connection: buffers of BufferBytes, up to BufferCount queued at once.
// Back ends size their own buffering from it; it limits nothing.
struct WaveOutPlan {
    int32_t BufferBytes = 0;
    int32_t BufferCount = 0;
};

// Receiver of one connection's notices.
class WaveOutSink {
public:
    virtual ~WaveOutSink() = default;
    virtual void DeviceOpened() = 0;
    virtual void BufferDone(WaveHeader& header) = 0;
    virtual void DeviceClosed() = 0;
    virtual void DeviceFailed(int code) = 0;
};

class WaveOutPort {
public:
    // The name that opens the system's default output device.
    static constexpr const char* DefaultDeviceName = "default";

    virtual ~WaveOutPort() = default;
    WaveOutPort(const WaveOutPort&) = delete;
    WaveOutPort& operator=(const WaveOutPort&) = delete;

    // Playback devices other than the default one, in the back end's order.
    std::vector<WaveOutDevice> Devices() const { return DoDevices(); }

    int Open(const std::string& device, const WaveFormat& format, const WaveOutPlan& plan,
             WaveOutSink& sink);
    int Prepare(WaveHeader& header);
    int Unprepare(WaveHeader& header);
    int Write(WaveHeader& header);
    int Pause();
    int Restart();
    int Reset();
    int Close();
    // Frames handed to Write that the listener has not heard yet (0 when nothing is open).
    int64_t Delay() const;

    // Takes the queued buffers back (see the contract): the sound goes on with what the device
    // can no longer take back, and the next Write follows it. `taken` receives up to
    // `maxFrames` frames of what was taken back (not yet heard), in the order they would have
    // played.
    int Withdraw(int64_t maxFrames, std::vector<uint8_t>& taken);

    // A message for the user for any code this port returned or reported: the port's own
    // (positive) codes here, the back end's (negative) ones by the back end. The rate and
    // sample format refusals name what the last Open asked for.
    std::string ErrorText(int code) const;

    bool IsOpen() const { return sink_ != nullptr; }
    bool IsPaused() const { return paused_; }

protected:
    WaveOutPort() = default;

    // The back end's operations, called only after the checks above have passed.
    virtual std::vector<WaveOutDevice> DoDevices() const = 0;
    virtual int DoOpen(const std::string& device, const WaveFormat& format,
                       const WaveOutPlan& plan) = 0;
    virtual int DoPrepare(WaveHeader&) { return WaveOk; }
    virtual int DoUnprepare(WaveHeader&) { return WaveOk; }
    // The header is already at the end of the queue; a failure takes it out again.
    virtual int DoWrite(WaveHeader& header) = 0;
    // Called with IsPaused() already set to the new state; not called after a failure.
    virtual int DoPause() = 0;
    virtual int DoRestart() = 0;
    virtual void DoReset() = 0;
    virtual void DoClose() = 0;
    virtual int64_t DoPlayedFrames() = 0;
    virtual void DoWithdraw() = 0;
    virtual int64_t DoDelay() const = 0;
    virtual std::string DoErrorText(int code) const = 0;

    // For the back end: the device has consumed the oldest queued buffer.
    void HandBackOldest();
    // For the back end: the connection broke with `code` (reported once).
    void ReportFailure(int code);
    bool Failed() const { return failed_; }

private:
    void HandBackAll();

    WaveOutSink* sink_ = nullptr;
    WaveFormat format_;
    WaveFormat requested_; // of the last Open, for the texts of its refusals
    std::deque<WaveHeader*> queue_;
    int failCode_ = 0;
    bool failed_ = false;
    bool paused_ = false;
};

// The platform's back end (ALSA). The one place where a back end is chosen.
std::unique_ptr<WaveOutPort> CreateWaveOutPort();

} // namespace quavril
