#pragma once
#include "session/GeneratorSession.h"

#include <QMainWindow>
#include <QPointer>
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
class ScriptCommands;
class StatusLamp;
class TfrmFreqSlider;
class TfrmFrequencyDisplay;
class TfrmSettings;
class TfrmSignalMonitor;
class TfrmWait;
class TransportControls;
class UserDialogs;

// The generator window: output device, duration and loop, channel mode, the two channel
// panels, the memory buttons, the transport with its lamp and the sample-rate label, and the
// menus. It is a view of a generator session: it forwards the user's input to the session and
// shows what the session reports. Message boxes and file dialogs go through `dialogs`.
class TfrmGenerator : public QMainWindow {
    Q_OBJECT
public:
    TfrmGenerator(GeneratorSession& session, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmGenerator() override;

    GeneratorSession& Session() const { return session_; }
    Generator& Gen() const { return session_.Controls(); }
    TAudioOut& AudioOut1() const { return session_.Output(); }
    FrequencySliderModel& SliderModel() const { return session_.Slider(); }
    bool GeneratorRunning() const { return session_.GeneratorRunning(); }
    const DesignLayout& Layout() const { return *layout_; }
    TfrmWait& frmWait() { return *wait_; }
    MemoryButtons& Memory() const { return *memory_; }
    GeneratorMenus& Menus() const { return *menus_; }
    ScriptCommands& Scripts() const { return *scripts_; }

    // The output settings window (created after this one at start).
    void SetOutputSettingsWindow(TfrmSettings* window);
    // The frequency slider and frequency display windows (created after this one at start);
    // the View items show and hide them.
    void SetViewWindows(TfrmFreqSlider* slider, TfrmFrequencyDisplay* display);
    TfrmFreqSlider* frmFreqSlider() const;
    TfrmFrequencyDisplay* frmFrequencyDisplay() const;
    // The signal monitor (created after this one at start), shown and hidden by its View item.
    void SetSignalMonitor(TfrmSignalMonitor* monitor);
    TfrmSignalMonitor* frmSignalMonitor() const;

    // View items: each toggles its check mark, then shows its window when the mark is set
    // and hides it otherwise (also how stored settings reopen them at start).
    void FreqSlider1Click();
    void FrequencyDisplay1Click();
    void SignalMonitor1Click();
    // Tools: the guided performance test with the shipped test presets.
    void CompatibilityTest1Click();
    // The test's preset file (by default the shipped "Compatibility Test.qvl").
    void SetPerformanceTestFile(const QString& path) { performanceTestFile_ = path; }

    // Transport.
    void btnONClick();
    void btnOFFClick();
    void btnPauseClick();
    void ONOFF2Click(); // Trigger: off when playing, else on
    void Exit1Click();
    // The program is asked to end from outside (a signal): a running wave export is cancelled
    // first, so its temporary file goes, then the window closes.
    void EndRequested();
    void WaveDeviceChange();
    void OpenOutputSettings();

    void rESETTOdEFAULT1Click();
    void CopySettingsfromleftChannel1Click();
    void CopySettingsfromrightChannel1Click();
    void Help1Click();
    void HelpContents1Click();
    void MoreSoftware1Click();
    void Image1Click();

signals:
    // The window was closed: the program ends.
    void Closed();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildTopRow(QWidget* client);
    void BuildMemoryGroup(QWidget* client);
    void BuildTransport(QWidget* client);
    void BuildPanelMenus();
    void BindControls();
    void ConnectMenus();
    void ConnectSession();
    void ScaleToScreen(QWidget* client);
    void ReportMissingDevice();
    void CollectLockedControls();

    void RunningChanged(bool running);
    void TicksRefreshed();
    void ShowNyquistMessage(TextField field);
    void SetLocked(bool locked);
    void UpdateSampleRateLabel();
    void ShowFreqSlider(bool shown);
    void ShowFrequencyDisplay(bool shown);
    void ShowSignalMonitor(bool shown);
    void OpenWebPage(const QString& address);

    GeneratorSession& session_;
    UserDialogs& dialogs_;
    std::unique_ptr<TfrmWait> wait_;
    std::unique_ptr<DesignLayout> layout_;
    GeneratorBinding* binding_ = nullptr;
    GeneratorMenus* menus_ = nullptr;
    MemoryButtons* memory_ = nullptr;
    TransportControls* transport_ = nullptr;
    ScriptCommands* scripts_ = nullptr;
    TfrmSettings* settings_ = nullptr;
    QPointer<TfrmFreqSlider> freqSlider_;
    QPointer<TfrmFrequencyDisplay> frequencyDisplay_;
    QPointer<TfrmSignalMonitor> signalMonitor_;
    QString performanceTestFile_;
    std::vector<QWidget*> locked_; // disabled while the generator runs, in this order

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
};

} // namespace quavril
