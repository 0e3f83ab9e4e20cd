#include "ui/TfrmGenerator.h"

#include "session/DataPaths.h"
#include "session/PerformanceTest.h"
#include "synth/ListItems.h"
#include "synth/Messages.h"
#include "ui/ApplicationTitle.h"
#include "ui/ChannelPanel.h"
#include "ui/ClickableLabel.h"
#include "ui/DesignLayout.h"
#include "ui/ExitLineEdit.h"
#include "ui/FileCommands.h"
#include "ui/FrequencyGroup.h"
#include "ui/GeneratorBinding.h"
#include "ui/GeneratorMenus.h"
#include "ui/HelpViewer.h"
#include "ui/ListPictures.h"
#include "ui/MemoryButtons.h"
#include "ui/PerformanceTestDialogs.h"
#include "ui/PictureList.h"
#include "ui/PressButton.h"
#include "ui/ScriptCommands.h"
#include "ui/SignalRow.h"
#include "ui/StatusLamp.h"
#include "ui/TfrmFreqSlider.h"
#include "ui/TfrmFrequencyDisplay.h"
#include "ui/TfrmSettings.h"
#include "ui/TfrmSignalMonitor.h"
#include "ui/TfrmWait.h"
#include "ui/TransportControls.h"
#include "ui/UserDialogs.h"
#include "ui/WebAddresses.h"
#include "ui/WindowPlacement.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>

namespace quavril {

namespace {

constexpr int ClientWidth = 466; // design pixels at 96 dpi
constexpr int ClientHeight = 436;
const char* const NoBrowserMessage = "No web browser could be started to open %1.";
const char* const NoDeviceMessage =
    "No sound card and no usable output device was found. The generator cannot be switched "
    "on; wave files can still be saved.";

} // namespace

TfrmGenerator::TfrmGenerator(GeneratorSession& session, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), session_(session), dialogs_(dialogs),
      layout_(std::make_unique<DesignLayout>()) {
    setObjectName("frmGenerator");
    setProperty("mainGeneratorWindow", true);
    setWindowTitle(ApplicationTitle::GeneratorTitle());
    HelpViewer::SetContext(this, HelpViewer::GeneratorWindow);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont dialogFont = font();
    dialogFont.setPointSizeF(8.0);
    setFont(dialogFont);
    // Every window and box of the program shows the logo.
    QApplication::setWindowIcon(QIcon(ListPictures::Logo(2.0)));
    setWindowIcon(QApplication::windowIcon());
    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);
    menus_ = new GeneratorMenus(menuBar());
    BuildTopRow(client);
    LeftPanel = new ChannelPanel(Channel::Left, *layout_, client);
    RightPanel = new ChannelPanel(Channel::Right, *layout_, client);
    BuildMemoryGroup(client);
    BuildTransport(client);
    BuildPanelMenus();
    wait_ = std::make_unique<TfrmWait>(session_.Writer(), this);
    scripts_ = new ScriptCommands(session_, dialogs_, this);
    BindControls();
    ConnectMenus();
    ConnectSession();
    CollectLockedControls();
    ScaleToScreen(client);
    ReportMissingDevice();
    UpdateSampleRateLabel();
}

TfrmGenerator::~TfrmGenerator() {
    // No user input or session notice reaches the widgets while they are taken down.
    delete binding_;
    binding_ = nullptr;
    disconnect(&session_, nullptr, this, nullptr);
    for (ChannelPanel* panel : {LeftPanel, RightPanel})
        disconnect(&session_, nullptr, panel, nullptr);
    session_.StopNow();
}

// --- Building ------------------------------------------------------------------------------

void TfrmGenerator::BuildTopRow(QWidget* client) {
    auto* row = new SignalRow(*layout_, client);
    OutputDeviceBox = row->OutputDeviceBox;
    WaveDevice = row->WaveDevice;
    DurationBox = row->DurationBox;
    Duration = row->Duration;
    Loop = row->Loop;
    ChannelsBox = row->ChannelsBox;
    cboChannels = row->cboChannels;
    Image1 = row->Image1;
    row->Follow(session_);
}

void TfrmGenerator::BuildMemoryGroup(QWidget* client) {
    memory_ = new MemoryButtons(session_, *layout_, client);
    GroupBox7 = memory_->GroupBox7;
    for (int i = 0; i < 4; ++i) {
        MemButton[i] = memory_->Button[i];
        MemEdit[i] = memory_->Edit[i];
    }
    memory_->SetOnDefault = [this](bool on) { btnON->setDefault(on); };
}

void TfrmGenerator::BuildTransport(QWidget* client) {
    transport_ = new TransportControls(*layout_, client);
    chkSync = transport_->chkSync;
    btnOFF = transport_->btnOFF;
    btnPause = transport_->btnPause;
    btnON = transport_->btnON;
    LED = transport_->LED;
    lblFS = transport_->lblFS;
}

void TfrmGenerator::BuildPanelMenus() {
    CopySettingsfromrightChannel1 = LeftPanel->AddCopyMenu(
        tr("Use the right channel's settings"), "mnuCopyRtoL", "CopySettingsfromrightChannel1");
    mnuCopyRtoL = LeftPanel->CopyMenu;
    CopySettingsfromleftChannel1 = RightPanel->AddCopyMenu(
        tr("Use the left channel's settings"), "mnuCopyLtoR", "CopySettingsfromleftChannel1");
    mnuCopyLtoR = RightPanel->CopyMenu;
}

// Scale: the screen's logical dpi against 96, raised until every text fits its control.
void TfrmGenerator::ScaleToScreen(QWidget* client) {
    const double dpiScale = std::max(1.0, logicalDpiY() / 96.0);
    const double scale = layout_->RequiredScale(dpiScale);
    cboChannels->SetScale(scale);
    for (ChannelPanel* panel : {LeftPanel, RightPanel}) {
        panel->WaveForm->SetScale(scale);
        panel->ModFunction->SetScale(scale);
    }
    layout_->Apply(scale);
    client->setFixedSize(static_cast<int>(std::lround(ClientWidth * scale)),
                         static_cast<int>(std::lround(ClientHeight * scale)));
    adjustSize();
    setFixedSize(sizeHint());
}

// --- Binding -------------------------------------------------------------------------------

void TfrmGenerator::BindControls() {
    binding_ = new GeneratorBinding(session_.Controls(), this);
    binding_->BindEdit(TextField::Duration, Duration);
    binding_->BindCheck(FlagField::Loop, Loop);
    binding_->BindList(IndexField::cboChannels, cboChannels);
    binding_->BindEdit(TextField::PhaseEdit, RightPanel->PhaseEdit);
    for (ChannelPanel* panel : {LeftPanel, RightPanel})
        panel->Bind(*binding_, session_.Controls());
    binding_->MirrorAll();
    connect(WaveDevice, &QComboBox::activated, this, &TfrmGenerator::WaveDeviceChange);
}

void TfrmGenerator::ConnectMenus() {
    GeneratorMenus& m = *menus_;
    auto* files = new FileCommands(session_, dialogs_, *wait_, this);
    connect(m.SaveWaveFile1, &QAction::triggered, files, &FileCommands::SaveWaveFile1Click);
    connect(m.LoadSweepSettings1, &QAction::triggered, files,
            &FileCommands::LoadSweepSettings1Click);
    connect(m.SaveSweepSettingsAs1, &QAction::triggered, files,
            &FileCommands::SaveSweepSettingsAs1Click);
    connect(m.OpenNewGeneratorWindow1, &QAction::triggered, files,
            &FileCommands::OpenNewGeneratorWindow1Click);
    connect(m.Exit1, &QAction::triggered, this, &TfrmGenerator::Exit1Click);
    connect(m.RunScript1, &QAction::triggered, scripts_, &ScriptCommands::RunScript1Click);
    connect(m.OpenSkrivel1, &QAction::triggered, scripts_, &ScriptCommands::OpenSkrivel1Click);
    connect(scripts_, &ScriptCommands::RunningChanged, m.RunScript1,
            [item = m.RunScript1](bool running) { item->setEnabled(!running); });
    connect(m.rESETTOdEFAULT1, &QAction::triggered, this, &TfrmGenerator::rESETTOdEFAULT1Click);
    connect(m.Compatibilitysettings1, &QAction::triggered, this,
            &TfrmGenerator::OpenOutputSettings);
    connect(m.CompatibilityTest1, &QAction::triggered, this,
            &TfrmGenerator::CompatibilityTest1Click);
    // The menu has already toggled the check mark.
    connect(m.FreqSlider1, &QAction::triggered, this, &TfrmGenerator::ShowFreqSlider);
    connect(m.FrequencyDisplay1, &QAction::triggered, this, &TfrmGenerator::ShowFrequencyDisplay);
    connect(m.SignalMonitor1, &QAction::triggered, this, &TfrmGenerator::ShowSignalMonitor);
    // The item names read backwards: OnOff1 is the Off item, Off1 the On item.
    connect(m.OnOff1, &QAction::triggered, this, &TfrmGenerator::btnOFFClick);
    connect(m.Pause1, &QAction::triggered, this, &TfrmGenerator::btnPauseClick);
    connect(m.Off1, &QAction::triggered, this, &TfrmGenerator::btnONClick);
    connect(m.ONOFF2, &QAction::triggered, this, &TfrmGenerator::ONOFF2Click);
    connect(m.Help1, &QAction::triggered, this, &TfrmGenerator::Help1Click);
    connect(m.HelpContents1, &QAction::triggered, this, &TfrmGenerator::HelpContents1Click);
    connect(m.MoreSoftware1, &QAction::triggered, this, &TfrmGenerator::MoreSoftware1Click);
    for (int i = 0; i < 4; ++i) {
        connect(m.Memory[i], &QAction::triggered, memory_, [this, i] { memory_->Recall(i + 1); });
        connect(m.StoreMemory[i], &QAction::triggered, memory_,
                [this, i] { memory_->Store(i + 1); });
    }
    connect(CopySettingsfromleftChannel1, &QAction::triggered, this,
            &TfrmGenerator::CopySettingsfromleftChannel1Click);
    connect(CopySettingsfromrightChannel1, &QAction::triggered, this,
            &TfrmGenerator::CopySettingsfromrightChannel1Click);
    connect(Image1, &ClickableLabel::Clicked, this, &TfrmGenerator::Image1Click);
    connect(lblFS, &ClickableLabel::Clicked, this, &TfrmGenerator::OpenOutputSettings);
}

void TfrmGenerator::ConnectSession() {
    connect(btnON, &QPushButton::clicked, this, &TfrmGenerator::btnONClick);
    connect(btnOFF, &QPushButton::clicked, this, &TfrmGenerator::btnOFFClick);
    connect(btnPause, &QPushButton::clicked, this, &TfrmGenerator::btnPauseClick);
    connect(menus_->PresetRecallAutostart1, &QAction::toggled, &session_,
            &GeneratorSession::SetAutoStart);
    connect(&session_, &GeneratorSession::AutoStartChanged, menus_->PresetRecallAutostart1,
            &QAction::setChecked);
    GeneratorSession* s = &session_;
    transport_->Follow(session_);
    connect(s, &GeneratorSession::RunningChanged, this, &TfrmGenerator::RunningChanged);
    connect(s, &GeneratorSession::BringToFront, this, [this] {
        raise();
        activateWindow();
    });
    connect(s, &GeneratorSession::TextMirrored, binding_, &GeneratorBinding::MirrorText);
    connect(s, &GeneratorSession::FlagMirrored, binding_, &GeneratorBinding::MirrorFlag);
    connect(s, &GeneratorSession::IndexMirrored, binding_, &GeneratorBinding::MirrorIndex);
    connect(s, &GeneratorSession::TicksRefreshed, this, &TfrmGenerator::TicksRefreshed);
    connect(s, &GeneratorSession::NyquistExceeded, this, &TfrmGenerator::ShowNyquistMessage);
    connect(s, &GeneratorSession::Information, this,
            [this](const QString& text) { dialogs_.Information(text); });
    connect(s, &GeneratorSession::Error, this,
            [this](const QString& text) { dialogs_.Error(text); });
    connect(s, &GeneratorSession::Notice, this,
            [this](const QString& text) { dialogs_.Notice(text); });
    for (ChannelPanel* panel : {LeftPanel, RightPanel})
        panel->Follow(session_);
}

void TfrmGenerator::CollectLockedControls() {
    locked_ = {cboChannels, WaveDevice, Duration, Loop};
    for (ChannelPanel* p : {LeftPanel, RightPanel}) {
        FrequencyGroup* f = p->Frequency;
        locked_.insert(locked_.end(),
                       {f->Bidirectional, f->Logarithmic, f->fInit, f->fFinal, p->Amplitude});
    }
    for (QPushButton* b : MemButton)
        locked_.push_back(b);
}

// The message waits for the start to be over (the program is on the bus by then) and then
// stops nothing: it is a notice.
void TfrmGenerator::ReportMissingDevice() {
    if (session_.HasDevice())
        return;
    btnON->setEnabled(false);
    QTimer::singleShot(0, this, [this] { dialogs_.Notice(tr(NoDeviceMessage)); });
}

// --- Refresh rules ---------------------------------------------------------------------------

void TfrmGenerator::TicksRefreshed() {
    const bool any = Gen().Flag(FlagField::Lefttick) || Gen().Flag(FlagField::RightTick);
    menus_->SaveWaveFile1->setEnabled(any);
    // The start commands (the On button and the On item, Off1); Off stays usable.
    if (!any || session_.HasDevice()) {
        btnON->setEnabled(any);
        menus_->Off1->setEnabled(any);
    }
}

// For fInitLeft the message is a question whose Yes opens the output settings.
void TfrmGenerator::ShowNyquistMessage(TextField field) {
    const QString text = QString::fromLatin1(messages::Nyquist);
    if (field != TextField::fInitLeft) {
        dialogs_.Information(text);
        return;
    }
    if (dialogs_.Question(text))
        OpenOutputSettings();
}

// --- Transport -------------------------------------------------------------------------------

void TfrmGenerator::btnONClick() {
    session_.On();
}

void TfrmGenerator::btnOFFClick() {
    session_.Off();
    btnON->setFocus();
}

void TfrmGenerator::btnPauseClick() {
    session_.Pause();
}

void TfrmGenerator::ONOFF2Click() {
    if (session_.Playing())
        btnOFFClick();
    else
        btnONClick();
}

void TfrmGenerator::EndRequested() {
    session_.Writer().ExportCancelled = wait_->isVisible();
    close();
}

void TfrmGenerator::Exit1Click() {
    session_.StopNow();
    close();
}

void TfrmGenerator::SetLocked(bool locked) {
    for (QWidget* w : locked_)
        w->setEnabled(!locked);
    // The whole Presets menu, its function keys included.
    menus_->Presets1->menuAction()->setEnabled(!locked);
    for (QAction* item : menus_->Presets1->actions())
        item->setEnabled(!locked);
}

// The output's start and stop notices: the title and the locked controls.
void TfrmGenerator::RunningChanged(bool running) {
    ApplicationTitle::Set(running ? ApplicationTitle::RunningTitle()
                                  : ApplicationTitle::GeneratorTitle());
    SetLocked(running);
}

void TfrmGenerator::WaveDeviceChange() {
    session_.SelectDevice(WaveDevice->currentIndex());
}

void TfrmGenerator::OpenOutputSettings() {
    session_.StopNow();
    if (!settings_)
        return;
    // Opens centred over this window (a window manager would put it in a corner).
    if (!settings_->isVisible())
        WindowPlacement::CentreOver(settings_, this);
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

void TfrmGenerator::SetOutputSettingsWindow(TfrmSettings* window) {
    settings_ = window;
    connect(window, &TfrmSettings::Closed, this, [this] { setEnabled(true); });
}

void TfrmGenerator::SetViewWindows(TfrmFreqSlider* slider, TfrmFrequencyDisplay* display) {
    freqSlider_ = slider;
    frequencyDisplay_ = display;
    if (slider)
        connect(slider, &TfrmFreqSlider::Closed, this,
                [this] { menus_->FreqSlider1->setChecked(false); });
    if (display)
        connect(display, &TfrmFrequencyDisplay::Closed, this,
                [this] { menus_->FrequencyDisplay1->setChecked(false); });
}

void TfrmGenerator::SetSignalMonitor(TfrmSignalMonitor* monitor) {
    signalMonitor_ = monitor;
    if (monitor)
        connect(monitor, &TfrmSignalMonitor::Closed, this,
                [this] { menus_->SignalMonitor1->setChecked(false); });
}

TfrmSignalMonitor* TfrmGenerator::frmSignalMonitor() const {
    return signalMonitor_;
}

TfrmFreqSlider* TfrmGenerator::frmFreqSlider() const {
    return freqSlider_;
}

TfrmFrequencyDisplay* TfrmGenerator::frmFrequencyDisplay() const {
    return frequencyDisplay_;
}

void TfrmGenerator::FreqSlider1Click() {
    menus_->FreqSlider1->setChecked(!menus_->FreqSlider1->isChecked());
    ShowFreqSlider(menus_->FreqSlider1->isChecked());
}

void TfrmGenerator::FrequencyDisplay1Click() {
    menus_->FrequencyDisplay1->setChecked(!menus_->FrequencyDisplay1->isChecked());
    ShowFrequencyDisplay(menus_->FrequencyDisplay1->isChecked());
}

void TfrmGenerator::SignalMonitor1Click() {
    menus_->SignalMonitor1->setChecked(!menus_->SignalMonitor1->isChecked());
    ShowSignalMonitor(menus_->SignalMonitor1->isChecked());
}

void TfrmGenerator::ShowSignalMonitor(bool shown) {
    if (!signalMonitor_)
        return;
    signalMonitor_->setVisible(shown);
    if (shown) {
        signalMonitor_->showNormal();
        signalMonitor_->raise();
        signalMonitor_->activateWindow();
    }
}

void TfrmGenerator::ShowFreqSlider(bool shown) {
    session_.FrequencySliderShown(shown);
    if (!freqSlider_)
        return;
    freqSlider_->setVisible(shown);
    if (shown)
        freqSlider_->raise();
}

void TfrmGenerator::ShowFrequencyDisplay(bool shown) {
    if (!frequencyDisplay_)
        return;
    frequencyDisplay_->setVisible(shown);
    if (shown)
        frequencyDisplay_->raise();
}

// One test at a time; the item is back when it has ended.
void TfrmGenerator::CompatibilityTest1Click() {
    QAction* item = menus_->CompatibilityTest1;
    if (!item->isEnabled())
        return;
    item->setEnabled(false);
    PerformanceTestDialogs questions(dialogs_);
    const QString file = performanceTestFile_.isEmpty()
                             ? DataPaths::ShippedFile(QStringLiteral("Compatibility Test.qvl"))
                             : performanceTestFile_;
    PerformanceTest test(session_, questions, file);
    test.Run();
    item->setEnabled(true);
}

void TfrmGenerator::UpdateSampleRateLabel() {
    transport_->ShowSampleRate(Gen().SampleRate());
}

// --- Reset and copy --------------------------------------------------------------------------

void TfrmGenerator::rESETTOdEFAULT1Click() {
    session_.ResetToDefaults();
}

void TfrmGenerator::CopySettingsfromleftChannel1Click() {
    session_.CopyChannel(Channel::Left, Channel::Right);
}

void TfrmGenerator::CopySettingsfromrightChannel1Click() {
    session_.CopyChannel(Channel::Right, Channel::Left);
}

// --- Help and web --------------------------------------------------------------------------

void TfrmGenerator::Help1Click() {
    HelpViewer::Instance().ShowContext(HelpViewer::GeneratorWindow);
}

void TfrmGenerator::HelpContents1Click() {
    HelpViewer::Instance().ShowContents();
}

void TfrmGenerator::MoreSoftware1Click() {
    OpenWebPage(menus_->MoreSoftware1->statusTip());
}

void TfrmGenerator::Image1Click() {
    OpenWebPage(QString::fromLatin1(WebAddresses::Home));
}

// Without a browser the user is told, rather than nothing happening.
void TfrmGenerator::OpenWebPage(const QString& address) {
    if (!QDesktopServices::openUrl(QUrl(address)))
        dialogs_.Information(tr(NoBrowserMessage).arg(address));
}

// --- Window events -------------------------------------------------------------------------

void TfrmGenerator::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        UpdateSampleRateLabel();
        setWindowTitle(ApplicationTitle::GeneratorTitle());
    }
}

void TfrmGenerator::closeEvent(QCloseEvent* event) {
    session_.StopNow();
    event->accept();
    emit Closed();
}

// Enter anywhere in the window (an edit included) presses the default button.
void TfrmGenerator::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (QPushButton* button : {btnON, btnOFF}) {
            if (button->isDefault() && button->isEnabled()) {
                button->click();
                return;
            }
        }
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace quavril
