#include "audio/AlsaWaveOut.h"

#include <QSocketNotifier>
#include <algorithm>
#include <alsa/asoundlib.h>
#include <cerrno>
#include <cstring>
#include <poll.h>

namespace quavril {

namespace {

// The library prints its own diagnostics on stderr; the program reports errors itself.
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// Limits of the ring we ask for: at least 50 ms, at most 2 s of sound.
constexpr int64_t MinRingMs = 50;
constexpr int64_t MaxRingMs = 2000;
// Smallest period we ask for, ms.
constexpr int64_t MinPeriodMs = 5;
// Recoveries in one pass before the failure is taken as final.
constexpr int MaxRecoveries = 4;

// The library's name of a format the port accepted. 24 valid bits in a 32-bit word are played
// as 32-bit samples: the lowest byte is 0.
snd_pcm_format_t AlsaFormat(const WaveFormat& f) {
    if (f.IsFloat())
        return SND_PCM_FORMAT_FLOAT_LE;
    switch (f.BitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_S16_LE;
    }
}

} // namespace

AlsaWaveOut::AlsaWaveOut(PauseMode pauseMode) : pauseMode_(pauseMode) {
    static const bool silenced = (snd_lib_error_set_handler(&SilentAlsaErrors), true);
    (void)silenced;
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &AlsaWaveOut::Service);
}

AlsaWaveOut::~AlsaWaveOut() {
    if (IsOpen())
        Close();
}

std::vector<WaveOutDevice> AlsaWaveOut::DoDevices() const {
    std::vector<WaveOutDevice> devices;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return devices;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* desc = snd_device_name_get_hint(*h, "DESC");
        char* ioid = snd_device_name_get_hint(*h, "IOID");
        const bool output = !ioid || std::strcmp(ioid, "Output") == 0;
        // "default" is the list's first entry already; "null" plays nothing.
        if (name && output && std::strcmp(name, "null") != 0 &&
            std::strcmp(name, DefaultDeviceName) != 0)
            devices.push_back({name, desc ? desc : ""});
        free(name);
        free(desc);
        free(ioid);
    }
    snd_device_name_free_hint(hints);
    return devices;
}

std::string AlsaWaveOut::DoErrorText(int code) const {
    switch (-code) {
    case ENOENT:
        return "No such output device.";
    case EBUSY:
        return "The output device is busy: another program is using it.";
    case EHOSTDOWN:
    case ECONNREFUSED:
        return "The sound server is not running.";
    case ENODEV:
    case ENXIO:
    case ENOTCONN:
    case ESHUTDOWN:
        return "The output device has been disconnected.";
    case EINVAL:
        return "The output device refused the sample format (sampling rate, channels or sample "
               "size).";
    case EPIPE:
        return "The output device ran out of data (underrun).";
    case ESTRPIPE:
        return "The output device is suspended.";
    case EBADFD:
        return "The output device is in a state that does not allow this operation.";
    case EIO:
        return "Input/output error on the output device.";
    case ENOMEM:
        return "Not enough memory for the output device.";
    case EACCES:
    case EPERM:
        return "No permission to use the output device.";
    default:
        return std::string("Output device error: ") + snd_strerror(code) + ".";
    }
}

int AlsaWaveOut::DoOpen(const std::string& device, const WaveFormat& format,
                        const WaveOutPlan& plan) {
    snd_pcm_t* pcm = nullptr;
    const int opened =
        snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (opened < 0)
        return opened;
    pcm_ = pcm;
    format_ = format;
    const int configured = Configure(format, plan);
    if (configured != WaveOk) {
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
        return configured;
    }
    queue_.clear();
    writeIndex_ = 0;
    written_ = consumed_ = 0;
    noisyDescriptors_ = false;
    silence_.assign(static_cast<size_t>(periodFrames_ * format.BlockAlign),
                    format.BitsPerSample == 8 ? 0x80 : 0x00);
    CreateNotifiers();
    return WaveOk;
}

int AlsaWaveOut::Configure(const WaveFormat& format, const WaveOutPlan& plan) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int e = snd_pcm_hw_params_any(pcm_, hw);
    if (e < 0)
        return e;
    if ((e = snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0)
        return e;
    if (snd_pcm_hw_params_set_format(pcm_, hw, AlsaFormat(format)) < 0)
        return WaveErrSampleFormat;
    if ((e = snd_pcm_hw_params_set_channels(pcm_, hw, format.Channels)) < 0)
        return e;
    unsigned int rate = format.SamplesPerSec;
    if (snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, nullptr) < 0 ||
        rate != format.SamplesPerSec)
        return WaveErrRate;

    // The ring holds what the caller queues (within limits). A period is a quarter of the ring
    // (at most one caller buffer), so the ring holds four periods and never runs low between
    // two refills, while the writes stay large enough not to wake the sound server for
    // every few milliseconds of sound.
    const int64_t hz = format.SamplesPerSec;
    const int64_t bufferFrames = std::max<int64_t>(plan.BufferBytes / format.BlockAlign, 1);
    const int64_t planned = bufferFrames * std::max<int32_t>(plan.BufferCount, 1);
    snd_pcm_uframes_t ring = static_cast<snd_pcm_uframes_t>(
        std::clamp(planned, hz * MinRingMs / 1000, hz * MaxRingMs / 1000));
    snd_pcm_uframes_t period = static_cast<snd_pcm_uframes_t>(std::max<int64_t>(
        std::min<int64_t>(bufferFrames, static_cast<int64_t>(ring) / 4), hz * MinPeriodMs / 1000));
    // Either request may be refused or rounded; the device's choice is read back below.
    snd_pcm_hw_params_set_buffer_size_near(pcm_, hw, &ring);
    snd_pcm_hw_params_set_period_size_near(pcm_, hw, &period, nullptr);
    if ((e = snd_pcm_hw_params(pcm_, hw)) < 0)
        return e;
    canPause_ = snd_pcm_hw_params_can_pause(hw) != 0;
    snd_pcm_uframes_t realRing = 0, realPeriod = 0;
    if ((e = snd_pcm_get_params(pcm_, &realRing, &realPeriod)) < 0)
        return e;
    ringFrames_ = static_cast<int64_t>(realRing);
    periodFrames_ = std::max<int64_t>(static_cast<int64_t>(realPeriod), 1);

    // Started explicitly (a signal may be shorter than any threshold); an empty ring is an
    // underrun; wake-ups when a period fits.
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_uframes_t boundary = 0;
    if ((e = snd_pcm_sw_params_current(pcm_, sw)) < 0 ||
        (e = snd_pcm_sw_params_get_boundary(sw, &boundary)) < 0 ||
        (e = snd_pcm_sw_params_set_start_threshold(pcm_, sw, boundary)) < 0 ||
        (e = snd_pcm_sw_params_set_stop_threshold(pcm_, sw, realRing)) < 0 ||
        (e = snd_pcm_sw_params_set_avail_min(pcm_, sw, realPeriod)) < 0 ||
        (e = snd_pcm_sw_params(pcm_, sw)) < 0)
        return e;
    return snd_pcm_prepare(pcm_);
}

void AlsaWaveOut::CreateNotifiers() {
    const int count = snd_pcm_poll_descriptors_count(pcm_);
    pollFds_.assign(static_cast<size_t>(std::max(count, 0)), pollfd{});
    if (count <= 0)
        return;
    snd_pcm_poll_descriptors(pcm_, pollFds_.data(), static_cast<unsigned int>(count));
    for (const pollfd& p : pollFds_) {
        const int fd = p.fd;
        if (p.events & POLLIN) {
            auto* n = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            n->setEnabled(false);
            connect(n, &QSocketNotifier::activated, this, [this, fd] { OnDescriptor(fd, true); });
            notifiers_.push_back(n);
        }
        if (p.events & POLLOUT) {
            auto* n = new QSocketNotifier(fd, QSocketNotifier::Write, this);
            n->setEnabled(false);
            connect(n, &QSocketNotifier::activated, this, [this, fd] { OnDescriptor(fd, false); });
            notifiers_.push_back(n);
        }
    }
}

void AlsaWaveOut::DeleteNotifiers() {
    // A close may run inside a notifier's own signal: delete them later.
    for (QSocketNotifier* n : notifiers_) {
        n->setEnabled(false);
        n->deleteLater();
    }
    notifiers_.clear();
    pollFds_.clear();
}

void AlsaWaveOut::SetNotifiersEnabled(bool on) {
    for (QSocketNotifier* n : notifiers_)
        if (n->isEnabled() != on)
            n->setEnabled(on);
}

int AlsaWaveOut::DoWrite(WaveHeader& header) {
    queue_.push_back({&header, header.BufferLength / format_.BlockAlign});
    Service();
    return WaveOk;
}

int AlsaWaveOut::DoPause() {
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING) {
        const bool held =
            pauseMode_ == PauseMode::Device && canPause_ && snd_pcm_pause(pcm_, 1) >= 0;
        if (!held)
            RewindToPlayed();
    }
    ArmWakeup();
    return WaveOk;
}

int AlsaWaveOut::DoRestart() {
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_PAUSED) {
        const int e = snd_pcm_pause(pcm_, 0);
        if (const int failure = e < 0 ? Recover(e) : 0) {
            Fail(failure);
            return WaveOk;
        }
    }
    Service();
    return WaveOk;
}

void AlsaWaveOut::DoReset() {
    takeBackFrom_ = -1;
    timer_.stop();
    SetNotifiersEnabled(false);
    snd_pcm_drop(pcm_);
    DropQueue();
    written_ = consumed_ = 0;
    if (!Failed())
        snd_pcm_prepare(pcm_);
}

void AlsaWaveOut::DoClose() {
    timer_.stop();
    DeleteNotifiers();
    snd_pcm_drop(pcm_);
    DropQueue();
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
}

int64_t AlsaWaveOut::Rewindable() const {
    const snd_pcm_state_t state = snd_pcm_state(pcm_);
    if (state != SND_PCM_STATE_RUNNING && state != SND_PCM_STATE_PREPARED)
        return 0;
    // Plug-ins answer from the device position they read last: read it now (PipeWire's was
    // seen two periods old, which took back frames already on their way).
    snd_pcm_avail_update(pcm_);
    return std::max<int64_t>(snd_pcm_rewindable(pcm_), 0);
}

int64_t AlsaWaveOut::TakeBackPosition() const {
    const int64_t back = Rewindable();
    // Frames of buffers already handed back cannot be copied: they stay in the device.
    const int64_t oldest =
        queue_.empty() || queue_.front().start < 0 ? written_ : queue_.front().start;
    return std::max(written_ - std::min<int64_t>(back, written_), oldest);
}

int64_t AlsaWaveOut::DoPlayedFrames() {
    if (!pcm_ || Failed() || !RetireConsumed())
        return 0;
    takeBackFrom_ = TakeBackPosition();
    int64_t committed = 0;
    for (const Pending& p : queue_)
        if (p.start >= 0)
            committed += std::clamp<int64_t>(takeBackFrom_ - p.start, 0, p.writtenFrames);
    return committed;
}

void AlsaWaveOut::DoWithdraw() {
    timer_.stop();
    SetNotifiersEnabled(false);
    // Where the copy of the last DoPlayedFrames began, so that the next write continues it.
    const int64_t from = takeBackFrom_ >= 0 ? takeBackFrom_ : TakeBackPosition();
    takeBackFrom_ = -1;
    DropQueue();
    const int64_t back = written_ - from;
    if (back <= 0)
        return;
    // Unless the device took more in the meantime, the frames after `from` come back.
    const snd_pcm_sframes_t r =
        back <= Rewindable() ? snd_pcm_rewind(pcm_, static_cast<snd_pcm_uframes_t>(back)) : 0;
    if (r == back) {
        written_ -= back;
        consumed_ = std::min(consumed_, written_);
        return;
    }
    // The device would not give those frames back: start again with an empty ring.
    if (r > 0)
        snd_pcm_forward(pcm_, static_cast<snd_pcm_uframes_t>(r));
    snd_pcm_drop(pcm_);
    written_ = consumed_ = 0;
    snd_pcm_prepare(pcm_);
}

int64_t AlsaWaveOut::DoDelay() const {
    int64_t consumed = consumed_;
    const snd_pcm_state_t state = snd_pcm_state(pcm_);
    snd_pcm_sframes_t delay = 0;
    if ((state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_PAUSED) &&
        snd_pcm_delay(pcm_, &delay) == 0)
        consumed = std::max<int64_t>(consumed, written_ - std::max<int64_t>(delay, 0));
    // Silence written between or after the buffers is not counted: only their own frames.
    int64_t unheard = 0;
    for (const Pending& p : queue_) {
        const int64_t played =
            p.start < 0 ? 0 : std::clamp<int64_t>(consumed - p.start, 0, p.writtenFrames);
        unheard += p.frames - played;
    }
    return unheard;
}

void AlsaWaveOut::DropQueue() {
    queue_.clear();
    writeIndex_ = 0;
}

void AlsaWaveOut::Service() {
    if (!pcm_ || Failed() || inService_)
        return;
    inService_ = true;
    const bool ok = (IsPaused() || (WriteQueued() && StartIfReady())) && RetireConsumed();
    if (ok)
        ArmWakeup();
    inService_ = false;
}

bool AlsaWaveOut::WriteQueued() {
    int recoveries = 0;
    while (writeIndex_ < queue_.size()) {
        Pending& p = queue_[writeIndex_];
        if (p.start < 0)
            p.start = written_;
        if (p.writtenFrames == p.frames) {
            p.end = written_;
            ++writeIndex_;
            continue;
        }
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
        if (avail < 0) {
            const int failure = ++recoveries > MaxRecoveries
                                    ? NotResponding(static_cast<int>(avail))
                                    : Recover(static_cast<int>(avail));
            if (failure != 0) {
                Fail(failure);
                return false;
            }
            continue;
        }
        if (avail == 0)
            break;
        const int64_t n = std::min<int64_t>(avail, p.frames - p.writtenFrames);
        const snd_pcm_sframes_t r =
            snd_pcm_writei(pcm_, p.header->Data + p.writtenFrames * format_.BlockAlign,
                           static_cast<snd_pcm_uframes_t>(n));
        if (r == -EAGAIN)
            break;
        if (r < 0) {
            const int failure = ++recoveries > MaxRecoveries ? NotResponding(static_cast<int>(r))
                                                             : Recover(static_cast<int>(r));
            if (failure != 0) {
                Fail(failure);
                return false;
            }
            continue;
        }
        p.writtenFrames += r;
        written_ += r;
    }
    return true;
}

bool AlsaWaveOut::StartIfReady() {
    // Frames written since the ring was last emptied wait in a prepared device.
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED || written_ == consumed_)
        return true;
    const int e = snd_pcm_start(pcm_);
    if (const int failure = e < 0 ? Recover(e) : 0) {
        Fail(failure);
        return false;
    }
    return true;
}

bool AlsaWaveOut::RetireConsumed() {
    const snd_pcm_state_t state = snd_pcm_state(pcm_);
    int problem = 0;
    if (state == SND_PCM_STATE_XRUN)
        problem = -EPIPE;
    else if (state == SND_PCM_STATE_SUSPENDED)
        problem = -ESTRPIPE;
    else if (state == SND_PCM_STATE_DISCONNECTED)
        problem = -ENODEV;
    if (problem == 0 && (state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_PAUSED)) {
        snd_pcm_sframes_t delay = 0;
        const int e = snd_pcm_delay(pcm_, &delay);
        if (e < 0)
            problem = e;
        else
            consumed_ = std::max<int64_t>(consumed_, written_ - std::max<int64_t>(delay, 0));
    }
    if (const int failure = problem != 0 ? Recover(problem) : 0) {
        Fail(failure);
        return false;
    }
    while (!queue_.empty() && queue_.front().end >= 0 && queue_.front().end <= consumed_) {
        queue_.pop_front();
        if (writeIndex_ > 0)
            --writeIndex_;
        HandBackOldest();
    }
    return true;
}

void AlsaWaveOut::ArmWakeup() {
    timer_.stop();
    if (IsPaused() || Failed() || queue_.empty()) {
        SetNotifiersEnabled(false);
        return;
    }
    if (writeIndex_ < queue_.size()) {
        // Frames wait for room in the ring.
        if (!noisyDescriptors_ && !notifiers_.empty()) {
            SetNotifiersEnabled(true);
            return;
        }
        SetNotifiersEnabled(false);
        const Pending& p = queue_[writeIndex_];
        const snd_pcm_sframes_t avail = std::max<snd_pcm_sframes_t>(snd_pcm_avail_update(pcm_), 0);
        const int64_t wanted = std::min<int64_t>(periodFrames_, p.frames - p.writtenFrames);
        timer_.start(MillisecondsFor(std::max<int64_t>(wanted - avail, 1)));
        return;
    }
    // Everything is written: sleep until the oldest buffer should have played, or until the
    // ring runs low, whichever comes first. A low ring gets silence so that the last frames
    // leave the device instead of waiting for more data.
    SetNotifiersEnabled(false);
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING) {
        timer_.start(MillisecondsFor(periodFrames_)); // look again; nothing should wait here
        return;
    }
    int64_t level = RingLevel();
    if (level < periodFrames_) {
        PadSilence(2 * periodFrames_ - level);
        level = RingLevel();
    }
    const int64_t toHead = queue_.front().end - consumed_;
    const int64_t toLow = level - periodFrames_;
    timer_.start(MillisecondsFor(std::max<int64_t>(std::min(toHead, toLow), 1)));
}

void AlsaWaveOut::PadSilence(int64_t frames) {
    while (frames > 0) {
        const int64_t n = std::min<int64_t>(frames, periodFrames_);
        const snd_pcm_sframes_t r =
            snd_pcm_writei(pcm_, silence_.data(), static_cast<snd_pcm_uframes_t>(n));
        if (r <= 0)
            return; // full, or a failure the next wake-up will meet
        written_ += r;
        frames -= r;
    }
}

int AlsaWaveOut::Recover(int code) {
    if (code == -EPIPE) {
        // Underrun: the ring ran dry, so everything written has left the device. The stream
        // goes on with the next frames (started again after they are written).
        consumed_ = written_;
        return std::min(snd_pcm_prepare(pcm_), 0);
    }
    if (code == -ESTRPIPE) {
        // Suspended (system sleep): resume keeps the ring; where the device cannot resume at
        // once, start over with an empty ring.
        if (snd_pcm_resume(pcm_) >= 0)
            return 0;
        consumed_ = written_;
        return std::min(snd_pcm_prepare(pcm_), 0);
    }
    return code;
}

int AlsaWaveOut::NotResponding(int code) {
    // An underrun or suspend that comes straight back after every recovery: the device takes
    // no more frames (a sound server that ended, a device unplugged).
    return code == -EPIPE || code == -ESTRPIPE ? WaveErrNotResponding : code;
}

void AlsaWaveOut::Fail(int code) {
    if (Failed())
        return;
    timer_.stop();
    SetNotifiersEnabled(false);
    ReportFailure(code);
}

void AlsaWaveOut::RewindToPlayed() {
    if (!RetireConsumed())
        return;
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
    for (size_t i = 0; i < queue_.size(); ++i) {
        Pending& p = queue_[i];
        const int64_t played =
            i == 0 && p.start >= 0 ? std::clamp<int64_t>(consumed_ - p.start, 0, p.frames) : 0;
        p.writtenFrames = played;
        p.start = i == 0 ? consumed_ - played : -1;
        p.end = -1;
    }
    writeIndex_ = 0;
    written_ = consumed_;
}

void AlsaWaveOut::OnDescriptor(int fd, bool readable) {
    if (!pcm_ || Failed())
        return;
    std::vector<pollfd> fds = pollFds_;
    for (pollfd& p : fds)
        p.revents = p.fd == fd ? static_cast<short>(readable ? POLLIN : POLLOUT) : 0;
    unsigned short revents = 0;
    const int e = snd_pcm_poll_descriptors_revents(pcm_, fds.data(),
                                                   static_cast<unsigned int>(fds.size()), &revents);
    if (e < 0 || (revents & (POLLOUT | POLLERR | POLLHUP | POLLNVAL))) {
        Service(); // writes, or meets the failure and reports it
        return;
    }
    // Woken without room: this descriptor fires regardless of avail_min (PipeWire). Wait on
    // timers from now on for this connection.
    noisyDescriptors_ = true;
    ArmWakeup();
}

int64_t AlsaWaveOut::RingLevel() const {
    const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
    if (avail < 0)
        return 0;
    return std::clamp<int64_t>(ringFrames_ - avail, 0, ringFrames_);
}

int AlsaWaveOut::MillisecondsFor(int64_t frames) const {
    const int64_t hz = format_.SamplesPerSec;
    return static_cast<int>(std::clamp<int64_t>((frames * 1000 + hz - 1) / hz, 1, 60000));
}

} // namespace quavril
