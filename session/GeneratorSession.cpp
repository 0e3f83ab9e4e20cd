#include "session/GeneratorSession.h"

#include "analysis/MonitorRing.h"
#include "settings/ChannelCopy.h"
#include "settings/MemoryPresets.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"
#include "synth/ListItems.h"
#include "synth/Messages.h"
#include "synth/NumberText.h"

#include <utility>

namespace quavril {

namespace {

constexpr const char* ProductName = "Quavril";
constexpr const char* VersionText = "3.92";

// The shortest decimal text of value / divisor with a full stop: 100050 / 100 gives
// "1000.5", -6 / 1 gives "-6". Exact, because the divisor is a power of ten.
std::string DecimalText(int32_t value, int divisor) {
    const int64_t v = value;
    const bool negative = v < 0;
    const uint64_t magnitude = static_cast<uint64_t>(negative ? -v : v);
    std::string text = std::to_string(magnitude / static_cast<uint64_t>(divisor));
    std::string fraction;
    for (uint64_t rest = magnitude % static_cast<uint64_t>(divisor), d = divisor / 10; d > 0;
         d /= 10) {
        fraction += static_cast<char>('0' + rest / d);
        rest %= d;
    }
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return negative && magnitude != 0 ? "-" + text : text;
}

} // namespace

GeneratorSession::GeneratorSession(SettingsStore& store, std::unique_ptr<WaveOutPort> port,
                                   QObject* parent)
    : QObject(parent), store_(store), generator_(this),
      output_(port ? std::make_unique<TAudioOut>(std::move(port)) : std::make_unique<TAudioOut>()),
      playback_(generator_, *output_), devices_(DeviceList::FromPort(output_->Port())) {
    ConnectOutput();
    output_->SetDeviceNames(devices_.DeviceNames());
    output_->SetWaveDevice(-1);
    for (int n = 1; n <= 4; ++n)
        bank_.Slot(n).Name = DefaultSlotName(n);
    // The lists' first items, each with its refresh; the modulation lists at cosine.
    for (Channel c : {Channel::Left, Channel::Right}) {
        generator_.SetIndex(WaveFormOf(c), SINE);
        generator_.WaveFormChange(c);
    }
    for (Channel c : {Channel::Left, Channel::Right})
        generator_.SetIndex(ModFunctionOf(c), MODCOS);
    outputSettings_ = LoadOutputSettings(store_);
    generator_.SetSampleRate(outputSettings_.SampleRate());
    generator_.SetQuality(outputSettings_.Quality);
}

GeneratorSession::~GeneratorSession() {
    output_->OnStart = nullptr;
    output_->OnStop = nullptr;
    output_->OnError = nullptr;
    output_->OnQueued = nullptr;
    output_->StopNow();
    generator_.SetHost(nullptr);
}

void GeneratorSession::ConnectOutput() {
    output_->OnStart = [this](QObject*) {
        generatorRunning_ = true;
        emit RunningChanged(true);
    };
    output_->OnStop = [this](QObject*) {
        generatorRunning_ = false;
        emit PausedChanged(false);
        emit RunningChanged(false);
    };
    // The device failed while playing (unplugged, server gone): the stop notice follows. No
    // action waits for this message.
    output_->OnError = [this](QObject*) {
        emit Notice(QString::fromStdString(Playback::StartFailureMessage(output_->ErrorMessage())));
    };
}

// --- Transport -------------------------------------------------------------------------------

void GeneratorSession::On() {
    syncCode_ = MessageCode::On;
    if (sync_) {
        Broadcast(syncCode_);
        emit BringToFront();
    } else {
        StartPlayback();
    }
}

void GeneratorSession::Off() {
    syncCode_ = MessageCode::Off;
    if (sync_)
        Broadcast(syncCode_);
    else
        Stop();
}

void GeneratorSession::Pause() {
    syncCode_ = MessageCode::Pause;
    if (sync_)
        Broadcast(syncCode_);
    else
        TogglePause();
}

void GeneratorSession::Trigger() {
    if (Playing())
        Off();
    else
        On();
}

void GeneratorSession::Broadcast(MessageCode code) {
    if (broadcaster_)
        broadcaster_(code);
    else
        Dispatch(code, 0, 0);
}

void GeneratorSession::SetBroadcaster(std::function<void(MessageCode)> broadcaster) {
    broadcaster_ = std::move(broadcaster);
}

void GeneratorSession::SetSync(bool on) {
    if (sync_ == on)
        return;
    sync_ = on;
    emit SyncChanged(on);
}

std::optional<std::string> GeneratorSession::StartPlayback() {
    const Playback::StartResult result =
        playback_.StartPlayback(outputSettings_.BufferCount(), outputSettings_.BufferBytes());
    if (result.Result == Playback::Outcome::AlreadyPlaying)
        return std::nullopt;
    std::optional<std::string> failure;
    if (result.Result == Playback::Outcome::Failed) {
        failure = result.Message;
        startFailure_ = failure;
        Tell(QString::fromStdString(result.Message), false);
    }
    emit StartAttempted();
    return failure;
}

void GeneratorSession::Tell(const QString& text, bool error) {
    if (servingMessages_ > 0)
        emit Notice(text);
    else if (error)
        emit Error(text);
    else
        emit Information(text);
}

void GeneratorSession::Stop() {
    playback_.Stop();
}

void GeneratorSession::StopNow() {
    output_->StopNow();
}

void GeneratorSession::TogglePause() {
    output_->SetPaused(!output_->Paused());
    emit PausedChanged(output_->Paused());
}

bool GeneratorSession::Playing() const {
    return output_->Playing();
}

bool GeneratorSession::Paused() const {
    return output_->Paused();
}

// --- Messages --------------------------------------------------------------------------------

std::string GeneratorSession::Title() const {
    return std::string(ProductName) + " " + VersionText;
}

std::optional<std::string> GeneratorSession::Dispatch(MessageCode code, int32_t w, int32_t l) {
    ++servingMessages_;
    const auto outer = std::exchange(startFailure_, std::nullopt);
    Act(code, w, l);
    --servingMessages_;
    return std::exchange(startFailure_, outer);
}

// Values are written as a user would enter them: an edit's text runs its change handler, a
// check box its click handler, a list position runs nothing unless named. Positions outside
// their lists are ignored: they would leave no selection behind. A frequency above half the
// sample rate is lowered to it, as a recalled slot's is.
void GeneratorSession::Act(MessageCode code, int32_t w, int32_t l) {
    Generator& g = generator_;
    const auto inList = [](int64_t v, size_t size) {
        return v >= 0 && static_cast<size_t>(v) < size;
    };
    switch (code) {
    case MessageCode::On:
        StartPlayback();
        break;
    case MessageCode::Off:
        Stop();
        break;
    case MessageCode::Pause:
        TogglePause();
        break;
    case MessageCode::Sync:
        SetSync(w != 0);
        break;
    case MessageCode::LeftSweep:
        g.SetFlag(FlagField::chkConstantLeft, w == 0);
        break;
    case MessageCode::LeftFrequency:
    case MessageCode::LeftFrequencyAlias:
        ApplyFrequency(g, TextField::fInitLeft, DecimalText(w, 100));
        break;
    case MessageCode::LeftFinalFrequency:
        ApplyFrequency(g, TextField::fFinalLeft, DecimalText(w, 100));
        break;
    case MessageCode::Duration:
        g.SetText(TextField::Duration, DecimalText(w, 10));
        break;
    case MessageCode::Loop:
        g.SetFlag(FlagField::Loop, w > 0);
        break;
    case MessageCode::LeftLogarithmic:
        g.SetFlag(FlagField::LogarithmicLeft, w > 0);
        break;
    case MessageCode::LeftBidirectional:
        g.SetFlag(FlagField::BidirectionalLeft, w > 0);
        break;
    case MessageCode::Channels:
        g.SetIndex(IndexField::cboChannels, w == 0 ? MONO : STEREO);
        g.ChannelsChange();
        g.SetFlag(FlagField::Lefttick, w == 0 || (w & 1) != 0);
        g.SetFlag(FlagField::RightTick, w == 0 || (w & 2) != 0);
        break;
    case MessageCode::Phase:
        if (g.Flag(FlagField::Lefttick) && g.Flag(FlagField::RightTick) && g.Mode() == STEREO)
            g.SetText(TextField::PhaseEdit, DecimalText(w, 1));
        break;
    case MessageCode::LeftAmplitude:
        g.SetText(TextField::AmplitudeLeft, DecimalText(w, 1));
        break;
    case MessageCode::LeftModulationOn:
        g.SetFlag(FlagField::ModulationOnLeft, w > 0);
        break;
    case MessageCode::ModulationPeriod:
    case MessageCode::ModulationDepth:
    case MessageCode::ModulationPhase: {
        const auto fieldOf = [code](Channel c) {
            return code == MessageCode::ModulationPeriod  ? ModPeriodOf(c)
                   : code == MessageCode::ModulationDepth ? ModDepthOf(c)
                                                          : ModPhaseOf(c);
        };
        g.SetText(fieldOf(Channel::Left), DecimalText(w, 1));
        g.SetText(fieldOf(Channel::Right), DecimalText(l, 1));
        break;
    }
    case MessageCode::ModulationFunction:
        if (inList(w, ModFunctionCount) && inList(l, ModFunctionCount)) {
            g.SetIndex(IndexField::ModFunctionLeft, w);
            g.SetIndex(IndexField::ModFunctionRight, l);
        }
        break;
    case MessageCode::LeftWaveForm:
        if (inList(w, WaveformCount))
            g.SetIndex(IndexField::WaveFormLeft, w);
        break;
    case MessageCode::WaveDevice:
        if (w >= -1 && inList(int64_t{w} + 1, devices_.Entries().size()))
            SelectDevice(w + 1);
        break;
    case MessageCode::Memory:
        if (w == 0)
            RecallSlot(l);
        else if (w == 1)
            StoreSlot(l);
        break;
    case MessageCode::RenderAcknowledged:
        generator_.AcknowledgeRender();
        break;
    }
}

namespace {

// The stored settings outside the controls as the session alone holds them: the device, the
// autostart option and the slider window's fields. The windows' places and visibility need
// the windows; their names are collected instead.
class SessionOutside : public OutsideSettings {
public:
    explicit SessionOutside(const GeneratorSession& session) : session_(session) {}
    mutable std::vector<std::string> windowNames;

    std::string Text(std::string_view name) const override {
        const FrequencySliderModel& slider = session_.Slider();
        return EqualNames(name, "MinFreqEdit")   ? slider.MinFreqEdit
               : EqualNames(name, "MaxFreqEdit") ? slider.MaxFreqEdit
                                                 : slider.txtRound;
    }
    int32_t Integer(std::string_view name) const override {
        if (EqualNames(name, "WaveDevice"))
            return session_.DevicePosition();
        windowNames.emplace_back(name);
        return 0;
    }
    bool Flag(std::string_view name) const override {
        if (EqualNames(name, "PresetAutoStart"))
            return session_.AutoStart();
        windowNames.emplace_back(name);
        return false;
    }
    void SetText(std::string_view, const std::string&) override {}
    void SetInteger(std::string_view, int32_t) override {}
    void SetFlag(std::string_view, bool) override {}

private:
    const GeneratorSession& session_;
};

} // namespace

std::optional<std::string> GeneratorSession::Value(std::string_view storedName) const {
    if (EqualNames(storedName, "chkSync"))
        return sync_ ? "1" : "0";
    SettingsStore stored(""); // in memory
    quavril::SaveOutputSettings(stored, outputSettings_);
    if (settingsWriter_) {
        settingsWriter_(stored);
        return stored.ReadText(storedName);
    }
    SessionOutside alone(*this);
    StoredSettings::Save(stored, generator_, alone);
    for (const std::string& name : alone.windowNames)
        stored.Remove(name);
    return stored.ReadText(storedName);
}

// --- Output device and settings ----------------------------------------------------------------

void GeneratorSession::SelectDevice(int position) {
    if (position < 0 || static_cast<size_t>(position) >= devices_.Entries().size())
        return;
    devicePosition_ = position;
    output_->SetWaveDevice(position - 1);
    emit DeviceSelected(position);
}

void GeneratorSession::ApplySampleRate(int32_t fs) {
    generator_.SetSampleRate(fs);
    emit SampleRateChanged(fs);
}

void GeneratorSession::SelectRate(int position) {
    if (position < 0 || position >= static_cast<int>(OutputSettings::FsValues.size()))
        return;
    outputSettings_.Fs = position;
    Off();
    const int32_t fs = outputSettings_.SampleRate();
    ApplySampleRate(fs);
    slider_.Open(fs);
    emit SliderLimitsChanged();
    // A field above the new limit is lowered to it; writing the text runs its change handler.
    for (TextField f : {TextField::fInitLeft, TextField::fFinalLeft, TextField::fInitRight,
                        TextField::fFinalRight})
        if (auto lowered = LoweredFrequency(generator_.Text(f), fs))
            generator_.SetText(f, *lowered);
}

void GeneratorSession::SelectBufferSize(int position) {
    if (position < 0 || position >= static_cast<int>(OutputSettings::BufferSizeValues.size()))
        return;
    outputSettings_.BufferSize = position;
    Off();
}

void GeneratorSession::SelectBuffers(int position) {
    if (position < 0 || position >= static_cast<int>(OutputSettings::BuffersValues.size()))
        return;
    outputSettings_.Buffers = position;
    Off();
}

void GeneratorSession::SetQuality(const SignalQuality& quality) {
    if (quality == outputSettings_.Quality)
        return;
    outputSettings_.Quality = quality;
    Off();
    generator_.SetQuality(quality);
    emit QualityChanged();
}

bool GeneratorSession::SaveOutputSettings() {
    return quavril::SaveOutputSettings(store_, outputSettings_);
}

void GeneratorSession::SetScpi(const ScpiSettings& scpi) {
    if (scpi == outputSettings_.Scpi)
        return;
    outputSettings_.Scpi = scpi;
    emit ScpiChanged();
}

void GeneratorSession::SetScpiStatus(const QString& status) {
    if (status == scpiStatus_)
        return;
    scpiStatus_ = status;
    emit ScpiStatusChanged(status);
}

void GeneratorSession::OutputSettingsClosed() {
    generator_.DeriveSweep(Channel::Left);
}

QString GeneratorSession::SampleRateText(int32_t fs) {
    return "fs = " + QString::fromStdString(FormatGeneral(fs * 0.001L)) + " kHz";
}

// --- Signal monitor ------------------------------------------------------------------------------

void GeneratorSession::AttachMonitor(MonitorRing* ring) {
    monitor_ = ring;
    if (!ring) {
        output_->OnQueued = nullptr;
        return;
    }
    // The format of what is queued: the channels of the open connection, the sample format
    // of the signal quality (fixed while the output plays).
    output_->OnQueued = [this](const uint8_t* data, int32_t bytes) {
        monitor_->Append(data, bytes, output_->Format().Channels, outputSettings_.Quality.Format);
    };
}

int64_t GeneratorSession::MonitorPlayingFrame() const {
    if (!monitor_)
        return 0;
    return monitor_->Written() - output_->Port().Delay();
}

// --- Memory slots and preset files
// ------------------------------------------------------------------

void GeneratorSession::SetAutoStart(bool on) {
    if (autoStart_ == on)
        return;
    autoStart_ = on;
    emit AutoStartChanged(on);
}

bool GeneratorSession::RecallSlot(int n) {
    if (!quavril::RecallSlot(generator_, bank_, n))
        return false;
    emit SlotRecalled(n);
    if (autoStart_)
        On();
    return true;
}

bool GeneratorSession::StoreSlot(int n) {
    return quavril::StoreSlot(generator_, bank_, n);
}

void GeneratorSession::RenameSlot(int n, const std::string& name) {
    if (n < 1 || n > 4)
        return;
    bank_.Slot(n).SetName(name); // at most 255 characters
    emit BankChanged();
}

void GeneratorSession::FillBank() {
    FillBankAtStart(generator_, bank_);
    emit BankChanged();
}

// Loading replaces the four slots and their names; nothing is applied.
PresetFileResult GeneratorSession::LoadPresets(const std::string& path) {
    StopNow();
    const PresetFileResult result = LoadPresetFile(path, bank_);
    emit BankChanged();
    return result;
}

void GeneratorSession::RestoreBank(const PresetBank& bank) {
    bank_ = bank;
    emit BankChanged();
}

PresetFileResult GeneratorSession::SavePresets(const std::string& path) {
    StopNow();
    return SavePresetFile(path, bank_);
}

// --- Frequency slider window ---------------------------------------------------------------------

void GeneratorSession::FrequencySliderShown(bool shown) {
    if (shown) {
        slider_.Open(generator_.SampleRate());
        emit SliderLimitsChanged();
    }
    generator_.SetFlag(FlagField::chkConstantLeft, true);
    generator_.SetFlag(FlagField::chkConstantRight, true);
}

void GeneratorSession::FreqSliderChange(Channel c, int position) {
    slider_.Position[static_cast<size_t>(c)] = slider_.Clamp(position);
    generator_.SetFlag(ConstantOf(c), true);
    generator_.SetText(fInitOf(c),
                       c == Channel::Left
                           ? FrequencySliderModel::LeftFrequencyText(position, slider_.txtRound)
                           : FrequencySliderModel::RightFrequencyText(position));
}

void GeneratorSession::MinFreqEditExit() {
    const FrequencySliderModel::ExitOutcome outcome = slider_.LeaveMin(generator_);
    emit SliderLimitsChanged();
    if (outcome.InvalidNumber)
        ShowInvalidNumber(*outcome.InvalidNumber);
}

void GeneratorSession::MaxFreqEditExit() {
    const FrequencySliderModel::ExitOutcome outcome = slider_.LeaveMax(generator_);
    emit SliderLimitsChanged();
    if (outcome.InvalidNumber)
        ShowInvalidNumber(*outcome.InvalidNumber);
}

void GeneratorSession::txtRoundExit() {
    slider_.txtRound = FrequencySliderModel::NormalisedRound(slider_.txtRound);
    emit SliderLimitsChanged();
}

// --- Reset, copy and export ---------------------------------------------------------------------

void GeneratorSession::ResetToDefaults() {
    ResetToDefaults::Run(generator_, *this);
}

void GeneratorSession::CopyChannel(Channel from, Channel to) {
    ChannelCopy::Copy(generator_, from, to);
}

bool GeneratorSession::PrepareExport() {
    generator_.SetFlag(FlagField::Loop, false);
    StopNow();
    if (generator_.ResetGenerator(true))
        return true;
    ShowInvalidNumberOf(TextField::PhaseEdit);
    return false;
}

std::string GeneratorSession::ProposedExportName() const {
    return ProposedWaveFileName(generator_);
}

WaveWriteResult GeneratorSession::WriteExport(const std::string& path,
                                              WaveExportObserver* observer) {
    const WaveWriteResult result = writer_.Export(path, generator_, observer);
    switch (result) {
    case WaveWriteResult::BadPhase:
        ShowInvalidNumberOf(TextField::PhaseEdit);
        break;
    case WaveWriteResult::BadDuration:
        ShowInvalidNumberOf(TextField::Duration);
        break;
    case WaveWriteResult::Failed:
    case WaveWriteResult::TooLong: {
        // The system's reason, where there is one, on a line of its own.
        QString text = QString::fromLatin1(FileAccessErrorMessage);
        if (result == WaveWriteResult::Failed && !writer_.Reason.empty())
            text += "\n" + QString::fromStdString(writer_.Reason);
        emit Error(text);
        break;
    }
    default:
        break;
    }
    return result;
}

void GeneratorSession::ShowInvalidNumberOf(TextField field) {
    ShowInvalidNumber(generator_.Text(field));
}

// --- Generator host -----------------------------------------------------------------------------

bool GeneratorSession::OutputPlaying() const {
    return output_->Playing();
}

void GeneratorSession::StopOutputNow() {
    output_->StopNow();
}

void GeneratorSession::TextWritten(TextField field, const std::string& text) {
    emit TextMirrored(field, text);
}

void GeneratorSession::FlagWritten(FlagField field, bool value) {
    emit FlagMirrored(field, value);
}

void GeneratorSession::IndexWritten(IndexField field, int value) {
    emit IndexMirrored(field, value);
}

void GeneratorSession::FrequencySliderMoved(Channel c, int position) {
    const int clamped = slider_.Clamp(position);
    slider_.Position[static_cast<size_t>(c)] = clamped;
    emit SliderMoved(c, clamped);
}

// The renderer's acknowledge message is a direct call on the same thread.
void GeneratorSession::AcknowledgeRender(GeneratorState&) {
    Dispatch(MessageCode::RenderAcknowledged, 0, 0);
}

void GeneratorSession::ReportPerformanceIssue() {
    Tell(QString::fromLatin1(messages::Performance), false);
}

void GeneratorSession::ShowFrequencyText(const std::string& text) {
    emit FrequencyText(QString::fromStdString(text));
}

// The question whose Yes opens the output settings is asked only of a user at the window.
void GeneratorSession::ShowNyquistMessage(TextField field) {
    if (servingMessages_ > 0)
        emit Notice(QString::fromLatin1(messages::Nyquist));
    else
        emit NyquistExceeded(field);
}

void GeneratorSession::ShowInvalidNumber(const std::string& text) {
    QString message = QString::fromLatin1(messages::InvalidFloat);
    message.replace("%s", QString::fromStdString(text));
    Tell(message, true);
}

void GeneratorSession::ChannelsChanged() {
    slider_.RightEnabled = generator_.Mode() == STEREO;
    emit ChannelsRefreshed();
}

void GeneratorSession::WaveFormChanged(Channel c) {
    emit WaveFormRefreshed(c);
}

void GeneratorSession::LoopChanged() {
    emit LoopRefreshed();
}

void GeneratorSession::ConstantChanged(Channel c) {
    emit ConstantRefreshed(c);
}

void GeneratorSession::ModulationOnChanged(Channel c) {
    emit ModulationOnRefreshed(c);
}

void GeneratorSession::TicksChanged() {
    emit TicksRefreshed();
}

// --- Reset to defaults ---------------------------------------------------------------------------

void GeneratorSession::SelectDefaultDevice() {
    SelectDevice(0);
}

void GeneratorSession::SetSliderLimitTexts(const std::string& minFreq, const std::string& maxFreq) {
    slider_.MinFreqEdit = minFreq;
    slider_.MaxFreqEdit = maxFreq;
    emit SliderLimitsChanged();
}

int32_t GeneratorSession::OutputFrameRate() const {
    return output_->FrameRate();
}

} // namespace quavril
