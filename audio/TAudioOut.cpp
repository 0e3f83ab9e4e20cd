#include "audio/TAudioOut.h"

#include "audio/SampleWords.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>

namespace quavril {

// The port may raise a notice from inside one of its own calls; the relay posts each one to
// itself and hands it on from the event loop, so notices arrive in order, on the user-interface
// thread and never nested in a call into the component. One relay per opened connection, a
// child of the component; it deletes itself after its closed notice. It knows nothing of the
// component: it hands every notice to the function it was given.
class TAudioOut::Relay : public QObject, public WaveOutSink {
public:
    using Receiver = std::function<void(Relay* relay, Notice notice, int code)>;

    Relay(Receiver receiver, QObject* parent) : QObject(parent), receiver_(std::move(receiver)) {}

    void DeviceOpened() override { Post(Notice::Opened, 0); }
    // The done notice carries the buffer's slot number.
    void BufferDone(WaveHeader& h) override { Post(Notice::Done, static_cast<int>(h.User)); }
    void DeviceClosed() override { Post(Notice::Closed, 0); }
    void DeviceFailed(int code) override { Post(Notice::Failed, code); }

protected:
    bool event(QEvent* e) override {
        if (e->type() != NoticeEvent::EventType())
            return QObject::event(e);
        const auto* n = static_cast<NoticeEvent*>(e);
        receiver_(this, n->notice, n->code);
        if (n->notice == Notice::Closed)
            deleteLater(); // the connection is over; nothing else arrives here
        return true;
    }

private:
    // One device notice on its way through the event loop.
    class NoticeEvent : public QEvent {
    public:
        NoticeEvent(Notice notice, int code) : QEvent(EventType()), notice(notice), code(code) {}
        static QEvent::Type EventType() {
            static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
            return type;
        }
        Notice notice;
        int code;
    };

    void Post(Notice notice, int code) {
        QCoreApplication::postEvent(this, new NoticeEvent(notice, code));
    }

    Receiver receiver_;
};

TAudioOut::TAudioOut(QObject* owner) : TAudioOut(CreateWaveOutPort(), owner) {}

TAudioOut::TAudioOut(std::unique_ptr<WaveOutPort> port, QObject* owner)
    : TAudioIO(owner), port_(std::move(port)) {
    fadeDeadline_.setSingleShot(true);
    // A fade-out that the device never finishes ends the connection anyway.
    connect(&fadeDeadline_, &QTimer::timeout, this, [this] {
        if (fading_)
            StopNow();
    });
}

TAudioOut::~TAudioOut() {
    // No notice reaches the owner any more: the relay objects die with this component.
    OnFillBuffer = nullptr;
    OnStart = nullptr;
    OnStop = nullptr;
    OnError = nullptr;
    OnQueued = nullptr;
    StopNow();
}

std::string TAudioOut::DeviceName() const {
    if (waveDevice_ == -1)
        return WaveOutPort::DefaultDeviceName;
    if (waveDevice_ >= 0 && static_cast<size_t>(waveDevice_) < deviceNames_.size())
        return deviceNames_[static_cast<size_t>(waveDevice_)];
    return {};
}

void TAudioOut::SetPaused(bool paused) {
    paused_ = paused;
    if (!playing_)
        return;
    if (paused)
        port_->Pause();
    else
        port_->Restart();
}

bool TAudioOut::Start() {
    if (!OpenDevice())
        return false;
    return QueueAll();
}

void TAudioOut::StopNow() {
    if (!deviceOpen_)
        return;
    playing_ = false;
    active_ = false;
    port_->Reset();
    CloseDevice();
}

void TAudioOut::StopAfterQueue() {
    if (deviceOpen_)
        active_ = false;
}

void TAudioOut::StopSoftly(int64_t fadeFrames) {
    if (!deviceOpen_ || fading_)
        return;
    if (fadeFrames <= 0 || paused_ || !playing_) {
        StopNow();
        return;
    }
    // What follows the queued frames, rendered first so that little time passes between
    // taking the queue back and writing the fade-out.
    std::vector<uint8_t> ahead;
    const int64_t aheadFrames = RenderAhead(fadeFrames, ahead);
    if (!deviceOpen_)
        return; // a fill stopped the output (its guards)
    playing_ = false;
    active_ = false;
    // The ring's buffers come back (their notices are ignored while fading) with a copy of
    // what the device had not taken yet; what it can no longer give back plays on, and the
    // fade-out follows it.
    std::vector<uint8_t> tail;
    if (port_->Withdraw(fadeFrames, tail) != WaveOk) {
        CloseDevice();
        return;
    }
    const int32_t frameBytes = deviceFormat_.BlockAlign;
    const int64_t frames =
        std::min(static_cast<int64_t>(tail.size()) / frameBytes + aheadFrames, fadeFrames);
    const auto fromAhead =
        static_cast<std::ptrdiff_t>(frames * frameBytes) - static_cast<std::ptrdiff_t>(tail.size());
    tail.insert(tail.end(), ahead.begin(), ahead.begin() + fromAhead);
    if (frames == 0) {
        CloseDevice();
        return;
    }
    FadeOut(tail.data(), frames, deviceFormat_);
    fadeFrames_ = std::move(tail);
    fadeHeader_ = WaveHeader{};
    fadeHeader_.Data = fadeFrames_.data();
    fadeHeader_.BufferLength = static_cast<int32_t>(fadeFrames_.size());
    fadeHeader_.User = FadeSlot;
    if (port_->Prepare(fadeHeader_) != WaveOk || port_->Write(fadeHeader_) != WaveOk) {
        CloseDevice();
        return;
    }
    Tap(fadeHeader_.Data, fadeHeader_.BufferLength);
    fading_ = true;
    const int64_t fadeMs = frames * 1000 / std::max<int64_t>(FrameRate(), 1);
    fadeDeadline_.start(static_cast<int>(std::min<int64_t>(fadeMs, 60000)) + 1000);
}

int64_t TAudioOut::RenderAhead(int64_t frames, std::vector<uint8_t>& out) {
    const int32_t frameBytes = deviceFormat_.BlockAlign;
    std::vector<uint8_t> block(static_cast<size_t>(BlockBytes()));
    int64_t added = 0;
    while (added < frames && active_ && deviceOpen_ && OnFillBuffer) {
        int32_t size = slotCapacity_;
        const bool more = OnFillBuffer(block.data(), size);
        if (!more || !deviceOpen_)
            break; // the signal has ended: what was queued is all there is
        size = std::clamp(size, 0, slotCapacity_);
        size -= size % format_.BlockAlign;
        if (widen_)
            WidenPacked24(block.data(), size);
        const int64_t n = std::min<int64_t>(DeviceBytes(size) / frameBytes, frames - added);
        out.insert(out.end(), block.data(), block.data() + n * frameBytes);
        added += n;
    }
    return added;
}

void TAudioOut::SetPlatformError(int code) {
    SetErrorMessage(port_->ErrorText(code));
}

// Blocks for the slots in use exist and are large enough. Callers assign BufferSize last, so
// this normally finds them in place; it only matters when NumBuffers or the format changed
// after BufferSize.
bool TAudioOut::EnsureBuffers() {
    ComputeFormat();
    for (int i = 0; i < numBuffers_; ++i)
        if (!SlotHolds(i, BlockBytes()))
            return AllocateBuffers();
    return true;
}

bool TAudioOut::OpenDevice() {
    if (deviceOpen_) {
        SetErrorMessage(audio_messages::AlreadyOpen);
        return false;
    }
    nextBuffer_ = 0;
    if (!EnsureBuffers())
        return false;
    auto* relay = new Relay(
        [this](Relay* from, Notice notice, int code) { HandleNotice(from, notice, code); }, this);
    const int opened = OpenPort(*relay);
    if (opened != WaveOk) {
        SetPlatformError(opened);
        relay->deleteLater();
        return false;
    }
    deviceOpen_ = true;
    relay_ = relay;

    ComputeFormat();
    ringSize_ = numBuffers_;
    slotCapacity_ = effectiveBufferSize_;
    for (int i = 0; i < ringSize_; ++i) {
        WaveHeader& h = headers_[static_cast<size_t>(i)];
        h = WaveHeader{};
        h.Data = SlotData(i);
        h.BufferLength = DeviceBytes(effectiveBufferSize_);
        h.User = static_cast<uintptr_t>(i);
    }
    for (int i = 0; i < ringSize_; ++i) {
        const int prepared = port_->Prepare(headers_[static_cast<size_t>(i)]);
        if (prepared != WaveOk) {
            SetPlatformError(prepared);
            CloseDevice();
            return false;
        }
    }

    queuedCount_ = doneCount_ = filledCount_ = 0;
    counted_.fill(false);
    active_ = true;
    playing_ = true;
    if (!FillBuffer(0, effectiveBufferSize_)) {
        CloseDevice();
        SetErrorMessage(audio_messages::NoFilledBuffer);
        return false;
    }
    for (int i = 1; i < ringSize_; ++i)
        FillBuffer(i, effectiveBufferSize_);
    return true;
}

int TAudioOut::OpenPort(Relay& sink) {
    deviceFormat_ = format_;
    widen_ = false;
    int opened =
        port_->Open(DeviceName(), deviceFormat_, {effectiveBufferSize_, numBuffers_}, sink);
    if (opened == WaveErrSampleFormat && format_.BitsPerSample == 24) {
        deviceFormat_.BitsPerSample = 32;
        deviceFormat_.ValidBitsPerSample = 24;
        deviceFormat_.BlockAlign = static_cast<uint16_t>(4 * format_.Channels);
        deviceFormat_.AvgBytesPerSec = deviceFormat_.BlockAlign * deviceFormat_.SamplesPerSec;
        widen_ = true;
        opened = port_->Open(DeviceName(), deviceFormat_,
                             {DeviceBytes(effectiveBufferSize_), numBuffers_}, sink);
    }
    return opened;
}

int32_t TAudioOut::DeviceBytes(int32_t bytes) const {
    return widen_ ? static_cast<int32_t>(WidenedBytes(bytes)) : bytes;
}

void TAudioOut::Tap(const uint8_t* data, int32_t bytes) {
    if (!OnQueued)
        return;
    if (!widen_) {
        OnQueued(data, bytes);
        return;
    }
    std::vector<uint8_t> packed(static_cast<size_t>(bytes / 4 * 3));
    for (int32_t i = 0; i < bytes / 4; ++i) // the upper three bytes of each word
        std::copy_n(data + 4 * i + 1, 3, packed.begin() + 3 * i);
    OnQueued(packed.data(), static_cast<int32_t>(packed.size()));
}

bool TAudioOut::QueueAll() {
    playing_ = true;
    if (paused_)
        port_->Pause();
    if (!WriteNext()) {
        CloseDevice();
        return false;
    }
    for (int i = 1; i < ringSize_; ++i)
        WriteNext();
    return true;
}

bool TAudioOut::WriteNext() {
    WaveHeader& h = headers_[static_cast<size_t>(nextBuffer_)];
    h.Flags = WaveHeaderPrepared;
    const int written = port_->Write(h);
    if (written != WaveOk) {
        SetPlatformError(written);
        // A buffer that never reaches the device never comes back: it must not hold the
        // playback open.
        if (counted_[static_cast<size_t>(nextBuffer_)]) {
            counted_[static_cast<size_t>(nextBuffer_)] = false;
            --filledCount_;
            queuedCount_ = filledCount_ - doneCount_;
        }
        StopAfterQueue();
        return false;
    }
    Tap(h.Data, h.BufferLength);
    nextBuffer_ = (nextBuffer_ + 1) % ringSize_;
    return true;
}

bool TAudioOut::FillBuffer(int index, int32_t capacity) {
    if (!active_)
        return false;
    bool result = false;
    if (OnFillBuffer) {
        int32_t size = capacity;
        result = OnFillBuffer(SlotData(index), size);
        // The device gets whole frames within the block, whatever the handler says.
        size = std::clamp(size, 0, capacity);
        size -= size % format_.BlockAlign;
        if (widen_)
            WidenPacked24(SlotData(index), size);
        headers_[static_cast<size_t>(index)].BufferLength = DeviceBytes(size);
    }
    counted_[static_cast<size_t>(index)] = result;
    if (result)
        ++filledCount_;
    queuedCount_ = filledCount_ - doneCount_;
    return result;
}

void TAudioOut::CloseDevice() {
    playing_ = false;
    paused_ = false;
    fading_ = false;
    fadeDeadline_.stop();
    if (!deviceOpen_)
        return;
    for (int i = 0; i < ringSize_; ++i)
        port_->Unprepare(headers_[static_cast<size_t>(i)]);
    if (fadeHeader_.Flags & WaveHeaderPrepared)
        port_->Unprepare(fadeHeader_);
    // Notices of this connection that are still on their way are dropped from now on; only
    // its closed notice still reaches the owner.
    relay_ = nullptr;
    port_->Close();
    deviceOpen_ = false;
}

void TAudioOut::HandleNotice(Relay* relay, Notice notice, int code) {
    // The opened and closed notices reach the owner whichever connection they belong to; a
    // done or failed notice only counts for the connection that is open now (a late one of
    // an earlier connection, after StopNow or a close, changes nothing).
    const bool current = relay == relay_ && deviceOpen_;
    switch (notice) {
    case Notice::Opened:
        if (OnStart)
            OnStart(relay);
        break;
    case Notice::Done:
        // While a fade-out plays only its own buffer counts: it ends the connection.
        if (current && !fading_)
            HandleDone();
        else if (current && code == static_cast<int>(FadeSlot))
            CloseDevice();
        break;
    case Notice::Failed:
        if (current)
            HandleFailed(relay, code);
        break;
    case Notice::Closed:
        if (OnStop)
            OnStop(relay);
        break;
    }
}

void TAudioOut::HandleDone() {
    ++doneCount_;
    queuedCount_ = filledCount_ - doneCount_;
    playing_ = queuedCount_ > 0;
    if (FillBuffer(nextBuffer_, slotCapacity_) && !WriteNext())
        playing_ = playing_ && queuedCount_ > 0;
    if (!playing_) {
        active_ = false;
        CloseDevice();
    }
}

void TAudioOut::HandleFailed(Relay* relay, int code) {
    SetPlatformError(code);
    StopNow();
    if (OnError)
        OnError(relay);
}

} // namespace quavril
