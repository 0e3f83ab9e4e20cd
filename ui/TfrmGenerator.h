#pragma once
#include "audio/WaveOutPort.h"
#include "files/WaveFile.h"
#include "settings/ResetToDefaults.h"
#include "synth/Generator.h"
#include "synth/GeneratorHost.h"
#include "ui/FrequencySliderModel.h"
#include "ui/TfrmSettings.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace quavril {

class ChannelPanel;
class ClickableLabel;
class DesignLayout;
class ExitLineEdit;
class GeneratorBinding;
class GeneratorMenus;
class MemoryButtons;
class PictureList;
class Playback;
class StatusLamp;
class TAudioOut;
class TfrmWait;
class UserDialogs;
class WaveOutPort;

// The generator window: output device, duration and loop, channel mode, the two channel
// panels, the memory buttons, the transport with its lamp and the sample-rate label, and the
// menus. The generator (toolkit-free) holds every setting; this window shows it, forwards the
// user's input to it and shows what it writes back (GeneratorHost). It owns the wave output
// AudioOut1 and the please-wait window of the wave export.
class TfrmGenerator : public QMainWindow,
                      public GeneratorHost,
                      public ResetToDefaults::WindowControls,
                      public TfrmSettings::Owner {
    Q_OBJECT
public:
    // `port`: the wave-out back end (the platform's when null; tests pass a virtual device).
    explicit TfrmGenerator(UserDialogs& dialogs, std::unique_ptr<WaveOutPort> port = nullptr,
                           QWidget* parent = nullptr);
    ~TfrmGenerator() override;

    Generator& Gen() override { return generator_; }
    TAudioOut& AudioOut1() { return *audioOut_; }
    FrequencySliderModel& SliderModel() { return slider_; }
    const DesignLayout& Layout() const { return *layout_; }
    TfrmWait& frmWait() { return *wait_; }
    bool GeneratorRunning() const { return generatorRunning_; }
    int SyncCode() const { return syncCode_; }

    // The output settings window (created after this one at start).
    void SetOutputSettingsWindow(TfrmSettings* window) { settings_ = window; }
    // How a transport command reaches every generator window while chkSync is ticked. Without
    // one the command reaches this window alone.
    void SetBroadcaster(std::function<void(int code)> broadcaster);

    // The frequency display window, once it exists: whether it is visible, and where the text
    // of the current frequencies goes at every buffer fill.
    struct FrequencyDisplayHook {
        std::function<bool()> Visible;
        std::function<void(const QString& text)> Show;
    };
    void SetFrequencyDisplay(FrequencyDisplayHook hook) { display_ = std::move(hook); }

    // The window's message handler for the transport codes 1024 (on), 1025 (off), 1026 (pause)
    // and the renderer's acknowledge 1100.
    void HandleMessage(int code, int wParam, int lParam);

    // Transport.
    void btnONClick();
    void btnOFFClick();
    void btnPauseClick();
    void ONOFF2Click(); // Trigger: off when playing, else on
    void Exit1Click();
    void StartPlayback();
    void WaveDeviceChange();
    void OpenOutputSettings();

    void SaveWaveFile1Click();
    void LoadSweepSettings1Click();
    void SaveSweepSettingsAs1Click();
    void OpenNewGeneratorWindow1Click();
    void rESETTOdEFAULT1Click();
    // The memory slots at start: every slot holds the current settings, named Memory 1..4.
    void FillMemoryBank();
    MemoryButtons& Memory() const { return *memory_; }
    void CopySettingsfromleftChannel1Click();
    void CopySettingsfromrightChannel1Click();
    void Help1Click();
    void HelpContents1Click();
    void MoreSoftware1Click();
    void Image1Click();

    // The sample-rate label's text for a rate: "fs = 44.1 kHz".
    static QString SampleRateText(int32_t fs);

    // --- GeneratorHost ---
    bool OutputPlaying() const override;
    void StopOutputNow() override;
    void TextWritten(TextField field, const std::string& text) override;
    void FlagWritten(FlagField field, bool value) override;
    void IndexWritten(IndexField field, int value) override;
    void FrequencySliderMoved(Channel c, int position) override;
    void AcknowledgeRender(GeneratorState& state) override;
    void ReportPerformanceIssue() override;
    bool DisplayVisible() const override;
    void ShowFrequencyText(const std::string& text) override;
    void ShowNyquistMessage(TextField field) override;
    void ShowInvalidNumber(const std::string& text) override;
    void ChannelsChanged() override;
    void WaveFormChanged(Channel c) override;
    void LoopChanged() override;
    void ConstantChanged(Channel c) override;
    void ModulationOnChanged(Channel c) override;
    void TicksChanged() override;

    // --- ResetToDefaults::WindowControls ---
    void SelectDefaultDevice() override;
    void SetSliderLimitTexts(const std::string& minFreq, const std::string& maxFreq) override;
    int32_t OutputFrameRate() const override;

    // --- TfrmSettings::Owner ---
    void SwitchOff() override { btnOFFClick(); }
    void SetSliderLimits(int maximum, const std::string& maxFreqText) override;
    void OutputSettingsClosed() override;
    void ShowHelp(int context) override;

signals:
    // The window was closed: the program ends.
    void Closed();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTopRow(QWidget* client);
    void BuildBottomRow(QWidget* client);
    void BuildMemoryGroup(QWidget* client);
    void BuildTransport(QWidget* client);
    void BuildPanelMenus();
    void BindControls();
    void ConnectMenus();
    void ConnectTransport();
    void ScaleToScreen(QWidget* client);
    void FillDeviceList();
    void SelectInitialItems();
    void CollectLockedControls();

    void AudioOut1Start();
    void AudioOut1Stop();
    void AudioOut1Error();
    void SetLocked(bool locked);
    void SetDefaultButton(QPushButton* button);
    void TogglePause();
    void Broadcast(int code);
    void UpdateSampleRateLabel();
    void ApplyPhaseVisibility();
    ChannelPanel& Panel(Channel c) const;

    UserDialogs& dialogs_;
    Generator generator_;
    std::unique_ptr<TAudioOut> audioOut_;
    std::unique_ptr<Playback> playback_;
    WaveFileWriter writer_;
    std::unique_ptr<TfrmWait> wait_;
    std::unique_ptr<DesignLayout> layout_;
    FrequencySliderModel slider_;
    GeneratorBinding* binding_ = nullptr;
    GeneratorMenus* menus_ = nullptr;
    MemoryButtons* memory_ = nullptr;
    TfrmSettings* settings_ = nullptr;
    std::function<void(int)> broadcaster_;
    FrequencyDisplayHook display_;
    std::vector<QWidget*> locked_; // disabled while the generator runs, in this order
    bool hasDevice_ = true;
    bool generatorRunning_ = false;
    int syncCode_ = 0;

public:
    // Controls, named as the window names them.
    QGroupBox* OutputDeviceBox;
    QComboBox* WaveDevice;
    QGroupBox* DurationBox;
    ExitLineEdit* Duration;
    QCheckBox* Loop;
    QGroupBox* ChannelsBox;
    PictureList* cboChannels;
    ClickableLabel* Image1;
    ChannelPanel* LeftPanel;
    ChannelPanel* RightPanel;
    QGroupBox* GroupBox7;
    QPushButton* MemButton[4]; // Mem1, Mem2, Memory3, Memory4
    QLineEdit* MemEdit[4];     // Mem1Edit .. Mem4Edit
    QCheckBox* chkSync;
    QPushButton* btnOFF;
    QPushButton* btnPause;
    QPushButton* btnON;
    StatusLamp* LED;
    ClickableLabel* lblFS;
    QMenu* mnuCopyRtoL;
    QMenu* mnuCopyLtoR;
    QAction* CopySettingsfromrightChannel1;
    QAction* CopySettingsfromleftChannel1;
    GeneratorMenus& Menus() const { return *menus_; }
};

} // namespace quavril
