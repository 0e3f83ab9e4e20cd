#include "audio/TAudioOut.h"

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
    void BufferDone(WaveHeader&) override { Post(Notice::Done, 0); }
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
    : TAudioIO(owner), port_(std::move(port)) {}

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

void TAudioOut::SetPlatformError(int code) {
    SetErrorMessage(port_->ErrorText(code));
}

// Blocks for the slots in use exist and are large enough. Callers assign BufferSize last, so
// this normally finds them in place; it only matters when NumBuffers or the format changed
// after BufferSize.
bool TAudioOut::EnsureBuffers() {
    ComputeFormat();
    for (int i = 0; i < numBuffers_; ++i)
        if (!SlotHolds(i, effectiveBufferSize_))
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
    const WaveOutPlan plan{effectiveBufferSize_, numBuffers_};
    const int opened = port_->Open(DeviceName(), format_, plan, *relay);
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
        h.BufferLength = effectiveBufferSize_;
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
    if (OnQueued)
        OnQueued(h.Data, h.BufferLength);
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
        headers_[static_cast<size_t>(index)].BufferLength = size - size % format_.BlockAlign;
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
    if (!deviceOpen_)
        return;
    for (int i = 0; i < ringSize_; ++i)
        port_->Unprepare(headers_[static_cast<size_t>(i)]);
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
        if (current)
            HandleDone();
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
