#pragma once
// One running generator without any window: the generator's controls and signal, the wave
// output with its start, the output settings, the memory bank and the frequency slider's
// values. Every entry point (the windows, the command-line tool, scripts, other programs'
// messages, the hot key) is a client of this class; nothing else writes the signal's state
// or the sample rate. Everything runs on the thread that owns it.
#include "audio/DeviceList.h"
#include "audio/Playback.h"
#include "audio/TAudioOut.h"
#include "files/PresetBank.h"
#include "files/PresetFile.h"
#include "files/WaveFile.h"
#include "session/FrequencySliderModel.h"
#include "session/MessageTarget.h"
#include "settings/OutputSettings.h"
#include "settings/ResetToDefaults.h"
#include "synth/Generator.h"
#include "synth/GeneratorHost.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace quavril {

class MonitorRing;
class SettingsStore;
class WaveOutPort;

class GeneratorSession : public QObject,
                         public MessageTarget,
                         private GeneratorHost,
                         private ResetToDefaults::WindowControls {
    Q_OBJECT
public:
    // `store` keeps the output settings (read here, written by SaveOutputSettings). `port` is
    // the wave-out back end: the platform's when null, a virtual device in tests.
    explicit GeneratorSession(SettingsStore& store, std::unique_ptr<WaveOutPort> port = nullptr,
                              QObject* parent = nullptr);
    ~GeneratorSession() override;

    // --- Controls and signal ---------------------------------------------------------------
    Generator& Controls() { return generator_; }
    const Generator& Controls() const { return generator_; }
    TAudioOut& Output() { return *output_; }
    const TAudioOut& Output() const { return *output_; }
    FrequencySliderModel& Slider() { return slider_; }
    const FrequencySliderModel& Slider() const { return slider_; }

    // --- Transport -------------------------------------------------------------------------
    // On, Off and Pause as the user gives them: with Sync on they reach every generator
    // through the broadcaster (this one included), else this one alone.
    void On();
    void Off();
    void Pause();
    // The hot key: Off while playing, else On.
    void Trigger();
    // The local actions of the transport messages. A start that fails says why (the text the
    // user is shown) and returns it. Stop (Off) fades the sound out over the fade length of the
    // signal quality; StopNow (the program's own stops: loading, export, the settings window,
    // the end) is always at once.
    std::optional<std::string> StartPlayback();
    void Stop();
    void StopNow();
    void TogglePause();
    bool Playing() const override;
    bool Paused() const override;
    // Between the output's start and stop notices.
    bool GeneratorRunning() const { return generatorRunning_; }
    // The code of the last transport command given through On, Off or Pause.
    MessageCode SyncCode() const { return syncCode_; }
    bool Sync() const { return sync_; }
    void SetSync(bool on);
    // How a transport command reaches every generator while Sync is on. Without one the
    // command reaches this generator alone.
    void SetBroadcaster(std::function<void(MessageCode)> broadcaster);

    // --- Messages of other programs ----------------------------------------------------------
    std::string Title() const override;
    // While a message is acted on, nobody at the windows waits for its answer: what it has
    // to tell the user comes as a Notice, which waits for nobody.
    std::optional<std::string> Dispatch(MessageCode code, int32_t wParam, int32_t lParam) override;
    // Every stored setting, answered by writing them as the program stores them (the output
    // settings, then what the end of the program stores, through the writer it gives) and
    // reading the one asked for; "chkSync" gives the Sync box. Without a writer the session
    // writes the stored settings itself, the windows' places and visibility left out.
    std::optional<std::string> Value(std::string_view storedName) const override;
    using SettingsWriter = std::function<void(SettingsStore&)>;
    void SetSettingsWriter(SettingsWriter writer) { settingsWriter_ = std::move(writer); }

    // --- Output device and settings ----------------------------------------------------------
    const DeviceList& Devices() const { return devices_; }
    bool HasDevice() const { return !devices_.NoUsableDevice(); }
    // Position in the device list (0 the default device).
    int DevicePosition() const { return devicePosition_; }
    // Selects a list position and hands the device to the output (the list's change handler).
    void SelectDevice(int position);
    const OutputSettings& Settings() const { return outputSettings_; }
    // The three lists of the output settings window: each switches the generator off; a new
    // rate applies at once to the signal, the slider's limits and the frequency fields.
    void SelectRate(int position);
    void SelectBufferSize(int position);
    void SelectBuffers(int position);
    // Sample format, dither, band limits and fade length. A change switches the generator off
    // (like the lists above) and applies to the next start and export.
    const SignalQuality& Quality() const { return outputSettings_.Quality; }
    void SetQuality(const SignalQuality& quality);
    bool SaveOutputSettings();
    // The SCPI server's settings (stored with the output settings); the server follows
    // ScpiChanged. Its own account of itself ("Listening on 127.0.0.1:5025") is kept here for
    // the output settings window.
    const ScpiSettings& Scpi() const { return outputSettings_.Scpi; }
    void SetScpi(const ScpiSettings& scpi);
    const QString& ScpiStatus() const { return scpiStatus_; }
    void SetScpiStatus(const QString& status);
    // The output settings window closed: the left channel is derived again.
    void OutputSettingsClosed();

    // --- Memory slots and preset files ------------------------------------------------------
    PresetBank& Bank() { return bank_; }
    const PresetBank& Bank() const { return bank_; }
    bool AutoStart() const { return autoStart_; }
    void SetAutoStart(bool on);
    // Recalls slot n (1..4) and, with the autostart option, switches on. False outside 1..4.
    bool RecallSlot(int n);
    bool StoreSlot(int n);
    void RenameSlot(int n, const std::string& name);
    // Every slot the current settings, named Memory 1..4 (the bank at program start).
    void FillBank();
    PresetFileResult LoadPresets(const std::string& path);
    PresetFileResult SavePresets(const std::string& path);
    // Puts back a bank kept aside (slots and names), as after loading it.
    void RestoreBank(const PresetBank& bank);

    // --- Reset, copy and export ------------------------------------------------------------
    void ResetToDefaults();
    void CopyChannel(Channel from, Channel to);
    // The start of "Save as wave file": looping off, the output stopped, the export reset.
    // False when the phase is not a number (InvalidNumber has been raised).
    bool PrepareExport();
    std::string ProposedExportName() const;
    // Writes one period after PrepareExport; `observer` shows the progress (the writer's
    // ExportCancelled flag cancels).
    WaveWriteResult WriteExport(const std::string& path, WaveExportObserver* observer = nullptr);
    WaveFileWriter& Writer() { return writer_; }

    // --- Frequency slider window ----------------------------------------------------------------
    // The window is shown (its upper end follows the current rate) or hidden; either way both
    // channels go to constant mode.
    void FrequencySliderShown(bool shown);
    // The user moved a slider: that channel goes to constant mode and its initial frequency
    // follows (a playing tone glides).
    void FreqSliderChange(Channel c, int position);
    // The user left a field of the slider window (its text is in Slider()).
    void MinFreqEditExit();
    void MaxFreqEditExit();
    void txtRoundExit();

    // --- Frequency display --------------------------------------------------------------------
    void SetDisplayVisible(bool visible) { displayVisible_ = visible; }
    // The sample-rate label's text for a rate: "fs = 44.1 kHz".
    static QString SampleRateText(int32_t fs);

    // --- Signal monitor -------------------------------------------------------------------------
    // While a ring is attached, every buffer queued to the device is copied into it as it is
    // queued; with none (null), the output copies nothing. The caller keeps the ring alive
    // until it detaches it.
    void AttachMonitor(MonitorRing* ring);
    // The stream frame of the attached ring that the device plays now: the newest frame less
    // the frames the device has not played yet (its reported delay). 0 without a ring.
    int64_t MonitorPlayingFrame() const;

signals:
    // The output's start and stop notices.
    void RunningChanged(bool running);
    void PausedChanged(bool paused);
    // After a start attempt that was not refused for an already playing output.
    void StartAttempted();
    // On with Sync: the own program comes to the front.
    void BringToFront();
    void SyncChanged(bool on);
    void AutoStartChanged(bool on);
    // Slot n (1..4) was applied to the controls, before the autostart option switches on.
    void SlotRecalled(int n);
    void DeviceSelected(int position);
    void SampleRateChanged(int32_t fs);
    void QualityChanged();
    void ScpiChanged();
    void ScpiStatusChanged(const QString& status);
    void BankChanged();
    // Control values the generator wrote itself; windows show them without running handlers.
    void TextMirrored(TextField field, const std::string& text);
    void FlagMirrored(FlagField field, bool value);
    void IndexMirrored(IndexField field, int value);
    // Refresh rules of the windows after a handler ran.
    void ChannelsRefreshed();
    void WaveFormRefreshed(Channel c);
    void LoopRefreshed();
    void ConstantRefreshed(Channel c);
    void ModulationOnRefreshed(Channel c);
    void TicksRefreshed();
    void SliderMoved(Channel c, int position);
    // The sliders' range or the texts of the slider window's fields changed.
    void SliderLimitsChanged();
    void FrequencyText(const QString& text);
    // Messages for the user: boxes that the user's action waits for.
    void Information(const QString& text);
    void Error(const QString& text);
    // A message that no action waits for (a message from another program failed, the device
    // failed while playing): shown without stopping anything.
    void Notice(const QString& text);
    // A frequency beyond half the sampling rate was left in `field`.
    void NyquistExceeded(TextField field);

private:
    void Broadcast(MessageCode code);
    void Act(MessageCode code, int32_t wParam, int32_t lParam);
    // Information or Error, or a Notice while a message is acted on.
    void Tell(const QString& text, bool error);
    void ConnectOutput();
    void ApplySampleRate(int32_t fs);
    void ShowInvalidNumberOf(TextField field);

    // GeneratorHost
    bool OutputPlaying() const override;
    void StopOutputNow() override;
    void TextWritten(TextField field, const std::string& text) override;
    void FlagWritten(FlagField field, bool value) override;
    void IndexWritten(IndexField field, int value) override;
    void FrequencySliderMoved(Channel c, int position) override;
    void AcknowledgeRender(GeneratorState& state) override;
    void ReportPerformanceIssue() override;
    bool DisplayVisible() const override { return displayVisible_; }
    void ShowFrequencyText(const std::string& text) override;
    void ShowNyquistMessage(TextField field) override;
    void ShowInvalidNumber(const std::string& text) override;
    void ChannelsChanged() override;
    void WaveFormChanged(Channel c) override;
    void LoopChanged() override;
    void ConstantChanged(Channel c) override;
    void ModulationOnChanged(Channel c) override;
    void TicksChanged() override;

    // ResetToDefaults::WindowControls
    void SelectDefaultDevice() override;
    void SetSliderLimitTexts(const std::string& minFreq, const std::string& maxFreq) override;
    int32_t OutputFrameRate() const override;

    SettingsStore& store_;
    Generator generator_;
    std::unique_ptr<TAudioOut> output_;
    Playback playback_;
    WaveFileWriter writer_;
    OutputSettings outputSettings_;
    DeviceList devices_;
    PresetBank bank_;
    FrequencySliderModel slider_;
    std::function<void(MessageCode)> broadcaster_;
    SettingsWriter settingsWriter_;
    // Messages being acted on (a broadcast's own message is acted on inside another one).
    int servingMessages_ = 0;
    // The failure of the last start attempted while acting on a message.
    std::optional<std::string> startFailure_;
    int devicePosition_ = 0;
    QString scpiStatus_;
    MessageCode syncCode_ = MessageCode::On;
    bool sync_ = false;
    bool autoStart_ = false;
    bool generatorRunning_ = false;
    bool displayVisible_ = false;
    MonitorRing* monitor_ = nullptr;
};

} // namespace quavril
