#include "ui/TfrmGenerator.h"

#include "audio/DeviceList.h"
#include "audio/Playback.h"
#include "audio/TAudioOut.h"
#include "files/PresetFile.h"
#include "settings/ChannelCopy.h"
#include "settings/MemoryPresets.h"
#include "synth/ListItems.h"
#include "synth/Messages.h"
#include "synth/NumberText.h"
#include "ui/ApplicationTitle.h"
#include "ui/ChannelPanel.h"
#include "ui/ClickableLabel.h"
#include "ui/DesignLayout.h"
#include "ui/ExitLineEdit.h"
#include "ui/FrequencyGroup.h"
#include "ui/GeneratorBinding.h"
#include "ui/GeneratorMenus.h"
#include "ui/HelpViewer.h"
#include "ui/ListPictures.h"
#include "ui/MemoryButtons.h"
#include "ui/PictureList.h"
#include "ui/PressButton.h"
#include "ui/StatusLamp.h"
#include "ui/TfrmWait.h"
#include "ui/UserDialogs.h"
#include "ui/WebAddresses.h"

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
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QUrl>
#include <cmath>

namespace quavril {

namespace {

constexpr int ClientWidth = 466; // design pixels at 96 dpi
constexpr int ClientHeight = 436;
const char* const NoDeviceMessage =
    "No sound card and no usable output device was found. The generator cannot be switched "
    "on; wave files can still be saved.";

// The product logo: a sine wave across a dark disc.
QPixmap Logo(qreal ratio) {
    QPixmap pixmap(QSize(48, 48) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient ground(QPointF(18, 16), 34);
    ground.setColorAt(0, QColor(60, 90, 150));
    ground.setColorAt(1, QColor(16, 24, 56));
    p.setBrush(ground);
    p.setPen(QPen(QColor(200, 210, 230), 1.5));
    p.drawEllipse(QRectF(2, 2, 44, 44));
    QPainterPath wave;
    for (int i = 0; i <= 64; ++i) {
        const qreal x = 7 + i * 34.0 / 64;
        const qreal y = 24 - 11 * std::sin(i * 2 * 3.14159265358979 / 32.0);
        i == 0 ? wave.moveTo(x, y) : wave.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(140, 255, 170), 2.2));
    p.drawPath(wave);
    return pixmap;
}

QLabel* NewLabel(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QGroupBox* NewGroup(const QString& title, const QString& name, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

TfrmGenerator::TfrmGenerator(UserDialogs& dialogs, std::unique_ptr<WaveOutPort> port,
                             QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), generator_(this),
      audioOut_(port ? std::make_unique<TAudioOut>(std::move(port))
                     : std::make_unique<TAudioOut>()),
      playback_(std::make_unique<Playback>(generator_, *audioOut_)),
      layout_(std::make_unique<DesignLayout>()) {
    setObjectName("frmGenerator");
    setProperty("mainGeneratorWindow", true);
    setWindowTitle(ApplicationTitle::GeneratorTitle());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont dialogFont = font();
    dialogFont.setPointSizeF(8.0);
    setFont(dialogFont);
    setWindowIcon(QIcon(Logo(2.0)));
    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);
    menus_ = new GeneratorMenus(menuBar());
    BuildTopRow(client);
    LeftPanel = new ChannelPanel(Channel::Left, *layout_, client);
    RightPanel = new ChannelPanel(Channel::Right, *layout_, client);
    BuildBottomRow(client);
    BuildPanelMenus();
    wait_ = std::make_unique<TfrmWait>(writer_, this);
    BindControls();
    ConnectMenus();
    ConnectTransport();
    CollectLockedControls();
    ScaleToScreen(client);
    SelectInitialItems();
    FillDeviceList();
    UpdateSampleRateLabel();
}

TfrmGenerator::~TfrmGenerator() {
    // No user input reaches the generator while the widgets are taken down.
    delete binding_;
    binding_ = nullptr;
    audioOut_->OnStart = nullptr;
    audioOut_->OnStop = nullptr;
    audioOut_->OnError = nullptr;
    audioOut_->StopNow();
    generator_.SetHost(nullptr);
}

// --- Building ------------------------------------------------------------------------------

void TfrmGenerator::BuildTopRow(QWidget* client) {
    OutputDeviceBox = NewGroup(tr("Output device"), "OutputDeviceBox", client);
    layout_->Place(OutputDeviceBox, 11, 4, 159, 52);
    WaveDevice = new QComboBox(OutputDeviceBox);
    WaveDevice->setObjectName("WaveDevice");
    WaveDevice->setToolTip(tr("Sound output device"));
    WaveDevice->installEventFilter(this);
    layout_->Place(WaveDevice, 8, 20, 143, 22);

    DurationBox = NewGroup(tr("Duration"), "DurationBox", client);
    layout_->Place(DurationBox, 174, 4, 115, 52);
    Duration = new ExitLineEdit("5", DurationBox);
    Duration->setObjectName("Duration");
    Duration->setToolTip(tr("Duration of the signal in seconds"));
    layout_->Place(Duration, 8, 20, 35, 21);
    layout_->Place(NewLabel("s", DurationBox), 46, 23);
    Loop = new QCheckBox(tr("Loop"), DurationBox);
    Loop->setObjectName("Loop");
    Loop->setToolTip(tr("Repeat the signal without end"));
    layout_->Place(Loop, 60, 22, 50);

    ChannelsBox = NewGroup(tr("Channels"), "ChannelsBox", client);
    layout_->Place(ChannelsBox, 292, 4, 105, 52);
    cboChannels = new PictureList(15, 1, ChannelsBox);
    cboChannels->setObjectName("cboChannels");
    cboChannels->setToolTip(tr("Mono or stereo"));
    for (int mode = MONO; mode <= STEREO; ++mode)
        cboChannels->AddPictureItem(ListPictures::ForChannelMode(mode, devicePixelRatioF()),
                                    QString::fromUtf8(ChannelModeName(mode).data()));
    layout_->Place(cboChannels, 8, 20, 89, 22);

    Image1 = new ClickableLabel(client);
    Image1->setObjectName("Image1");
    Image1->setPixmap(Logo(devicePixelRatioF()));
    Image1->setScaledContents(true);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(tr("Visit the maker's web site"));
    layout_->Place(Image1, 408, 6, 48, 48);
}

void TfrmGenerator::BuildBottomRow(QWidget* client) {
    BuildMemoryGroup(client);
    BuildTransport(client);
}

void TfrmGenerator::BuildMemoryGroup(QWidget* client) {
    memory_ = new MemoryButtons(generator_, *layout_, client);
    GroupBox7 = memory_->GroupBox7;
    for (int i = 0; i < 4; ++i) {
        MemButton[i] = memory_->Button[i];
        MemEdit[i] = memory_->Edit[i];
    }
    memory_->AfterRecall = [this] {
        if (menus_->PresetRecallAutostart1->isChecked())
            btnONClick();
    };
    memory_->SetOnDefault = [this](bool on) { btnON->setDefault(on); };
}

void TfrmGenerator::BuildTransport(QWidget* client) {
    chkSync = new QCheckBox(tr("Sync all generators"), client);
    chkSync->setObjectName("chkSync");
    chkSync->setToolTip(tr("Switch every generator window on and off together"));
    layout_->Place(chkSync, 325, 378, 114, 13);
    btnOFF = new QPushButton(tr("Off"), client);
    btnOFF->setObjectName("btnOFF");
    btnOFF->setToolTip(tr("Switch the generator off"));
    btnPause = new QPushButton(tr("Pause"), client);
    btnPause->setObjectName("btnPause");
    btnPause->setToolTip(tr("Hold the output; click again to go on"));
    btnON = new QPushButton(tr("On"), client);
    btnON->setObjectName("btnON");
    btnON->setToolTip(tr("Switch the generator on"));
    layout_->Place(btnOFF, 326, 394, 32, 23);
    layout_->Place(btnPause, 360, 394, 43, 23);
    layout_->Place(btnON, 404, 394, 32, 23);
    SetDefaultButton(btnON);
    LED = new StatusLamp(client);
    LED->setObjectName("LED");
    // The lamp reaches from 3 px above the On button to 3 px below it.
    layout_->Place(LED, 443, 394 - 3, 18, 23 + 6);
    lblFS = new ClickableLabel(client);
    lblFS->setObjectName("lblFS");
    lblFS->setToolTip(tr("Sample rate: click for the output settings"));
    lblFS->setCursor(Qt::PointingHandCursor);
    QFont small = lblFS->font();
    small.setPointSizeF(small.pointSizeF() * 9.0 / 11.0);
    lblFS->setFont(small);
    lblFS->setText(SampleRateText(44100));
    layout_->Place(lblFS, 323, 420);
}

void TfrmGenerator::BuildPanelMenus() {
    mnuCopyRtoL = new QMenu(this);
    mnuCopyRtoL->setObjectName("mnuCopyRtoL");
    CopySettingsfromrightChannel1 = mnuCopyRtoL->addAction(tr("Use the right channel's settings"));
    CopySettingsfromrightChannel1->setObjectName("CopySettingsfromrightChannel1");
    mnuCopyLtoR = new QMenu(this);
    mnuCopyLtoR->setObjectName("mnuCopyLtoR");
    CopySettingsfromleftChannel1 = mnuCopyLtoR->addAction(tr("Use the left channel's settings"));
    CopySettingsfromleftChannel1->setObjectName("CopySettingsfromleftChannel1");
    for (auto [panel, menu] : {std::pair{LeftPanel, mnuCopyRtoL}, {RightPanel, mnuCopyLtoR}}) {
        panel->Box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(panel->Box, &QWidget::customContextMenuRequested, menu,
                [box = panel->Box, menu = menu](const QPoint& at) {
                    menu->popup(box->mapToGlobal(at));
                });
    }
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
    binding_ = new GeneratorBinding(generator_, this);
    binding_->BindEdit(TextField::Duration, Duration);
    binding_->BindCheck(FlagField::Loop, Loop);
    binding_->BindList(IndexField::cboChannels, cboChannels);
    binding_->BindEdit(TextField::PhaseEdit, RightPanel->PhaseEdit);
    for (ChannelPanel* p : {LeftPanel, RightPanel}) {
        const Channel c = p->Side;
        FrequencyGroup* f = p->Frequency;
        binding_->BindCheck(TickOf(c), p->Tick);
        binding_->BindList(WaveFormOf(c), p->WaveForm);
        binding_->BindConstantPair(ConstantOf(c), f->chkConstant, f->chkSweep);
        binding_->BindEdit(fInitOf(c), f->fInit);
        binding_->BindEdit(fFinalOf(c), f->fFinal);
        binding_->BindCheck(LogarithmicOf(c), f->Logarithmic);
        binding_->BindCheck(BidirectionalOf(c), f->Bidirectional);
        binding_->BindAmplitudeBar(AmplitudeBarOf(c), p->barAmplitude);
        binding_->BindEdit(AmplitudeOf(c), p->Amplitude);
        binding_->BindCheck(ModulationOnOf(c), p->ModulationOn);
        binding_->BindList(ModFunctionOf(c), p->ModFunction);
        binding_->BindEdit(ModDepthOf(c), p->ModDepthEdit);
        binding_->BindEdit(ModPeriodOf(c), p->ModPeriodEdit);
        binding_->BindEdit(ModPhaseOf(c), p->ModPhaseEdit);
        connect(f->SemiUp, &QPushButton::clicked, this,
                [this, c] { generator_.SemitoneStep(c, true); });
        connect(f->SemiDown, &QPushButton::clicked, this,
                [this, c] { generator_.SemitoneStep(c, false); });
        connect(f->fInitPlus, &PressButton::Pressed, this,
                [this, c] { generator_.HertzStep(c, true); });
        connect(f->fInitMinus, &PressButton::Pressed, this,
                [this, c] { generator_.HertzStep(c, false); });
    }
    binding_->MirrorAll();
    connect(WaveDevice, &QComboBox::activated, this, &TfrmGenerator::WaveDeviceChange);
}

void TfrmGenerator::ConnectMenus() {
    GeneratorMenus& m = *menus_;
    connect(m.SaveWaveFile1, &QAction::triggered, this, &TfrmGenerator::SaveWaveFile1Click);
    connect(m.LoadSweepSettings1, &QAction::triggered, this,
            &TfrmGenerator::LoadSweepSettings1Click);
    connect(m.SaveSweepSettingsAs1, &QAction::triggered, this,
            &TfrmGenerator::SaveSweepSettingsAs1Click);
    connect(m.OpenNewGeneratorWindow1, &QAction::triggered, this,
            &TfrmGenerator::OpenNewGeneratorWindow1Click);
    connect(m.Exit1, &QAction::triggered, this, &TfrmGenerator::Exit1Click);
    connect(m.rESETTOdEFAULT1, &QAction::triggered, this, &TfrmGenerator::rESETTOdEFAULT1Click);
    connect(m.Compatibilitysettings1, &QAction::triggered, this,
            &TfrmGenerator::OpenOutputSettings);
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
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &TfrmGenerator::Help1Click);
    connect(Image1, &ClickableLabel::Clicked, this, &TfrmGenerator::Image1Click);
    connect(lblFS, &ClickableLabel::Clicked, this, &TfrmGenerator::OpenOutputSettings);
}

void TfrmGenerator::ConnectTransport() {
    connect(btnON, &QPushButton::clicked, this, &TfrmGenerator::btnONClick);
    connect(btnOFF, &QPushButton::clicked, this, &TfrmGenerator::btnOFFClick);
    connect(btnPause, &QPushButton::clicked, this, &TfrmGenerator::btnPauseClick);
    audioOut_->OnStart = [this](QObject*) { AudioOut1Start(); };
    audioOut_->OnStop = [this](QObject*) { AudioOut1Stop(); };
    audioOut_->OnError = [this](QObject*) { AudioOut1Error(); };
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

// The lists' first items, each with its refresh; the modulation lists at cosine.
void TfrmGenerator::SelectInitialItems() {
    for (Channel c : {Channel::Left, Channel::Right}) {
        generator_.SetIndex(WaveFormOf(c), SINE);
        generator_.WaveFormChange(c);
    }
    for (Channel c : {Channel::Left, Channel::Right})
        generator_.SetIndex(ModFunctionOf(c), MODCOS);
}

void TfrmGenerator::FillDeviceList() {
    const DeviceList devices = DeviceList::FromPort(audioOut_->Port());
    {
        const QSignalBlocker blocker(WaveDevice);
        WaveDevice->clear();
        for (const std::string& text : devices.ShownTexts())
            WaveDevice->addItem(QString::fromStdString(text));
        WaveDevice->setCurrentIndex(0);
    }
    // The drop-down shows whole device names even where the closed list cuts them.
    WaveDevice->view()->setMinimumWidth(WaveDevice->view()->sizeHintForColumn(0) + 24);
    audioOut_->SetDeviceNames(devices.DeviceNames());
    audioOut_->SetWaveDevice(-1);
    hasDevice_ = !devices.NoUsableDevice();
    if (!hasDevice_) {
        dialogs_.Information(tr(NoDeviceMessage));
        btnON->setEnabled(false);
    }
}

// --- Refresh rules -------------------------------------------------------------------------

ChannelPanel& TfrmGenerator::Panel(Channel c) const {
    return c == Channel::Left ? *LeftPanel : *RightPanel;
}

// The phase edit is shown in stereo while neither channel plays white or pink noise.
void TfrmGenerator::ApplyPhaseVisibility() {
    const bool noise = [this] {
        for (Channel c : {Channel::Left, Channel::Right})
            if (WaveformItemText(generator_.Index(WaveFormOf(c))).find("noise") !=
                std::string::npos)
                return true;
        return false;
    }();
    const bool shown = generator_.Mode() == STEREO && !noise;
    RightPanel->PhaseLabel->setVisible(shown);
    RightPanel->PhaseEdit->setVisible(shown);
}

void TfrmGenerator::ChannelsChanged() {
    const bool stereo = generator_.Mode() == STEREO;
    slider_.RightEnabled = stereo;
    LeftPanel->Tick->setEnabled(stereo);
    RightPanel->Tick->setEnabled(stereo);
    ApplyPhaseVisibility();
    ChannelPanel& r = *RightPanel;
    FrequencyGroup& f = *r.Frequency;
    for (QWidget* w : std::initializer_list<QWidget*>{
             r.Box, f.fInit, f.fFinal, f.chkConstant, f.chkSweep, f.Logarithmic, r.Amplitude,
             r.barAmplitude, r.dBFSLabel, r.WaveFormLabel, f.SemiUp, f.SemiDown, r.ModulationOn,
             r.WaveForm, f.fInitPlus, f.fInitMinus})
        w->setEnabled(stereo);
    f.Bidirectional->setEnabled(stereo && generator_.Flag(FlagField::Loop));
    r.WaveForm->SetGreyText(!stereo);
    r.ModFunction->SetGreyText(!stereo || !generator_.Flag(FlagField::ModulationOnRight));
}

void TfrmGenerator::WaveFormChanged(Channel c) {
    const bool periodic = generator_.Index(WaveFormOf(c)) < WHITE;
    if (periodic) {
        ApplyPhaseVisibility();
    } else {
        RightPanel->PhaseLabel->hide();
        RightPanel->PhaseEdit->hide();
    }
    Panel(c).Frequency->Box->setVisible(periodic);
}

void TfrmGenerator::LoopChanged() {
    const bool loop = generator_.Flag(FlagField::Loop);
    LeftPanel->Frequency->Bidirectional->setEnabled(loop);
    RightPanel->Frequency->Bidirectional->setEnabled(loop && generator_.Mode() == STEREO);
}

void TfrmGenerator::ConstantChanged(Channel c) {
    Panel(c).Frequency->ShowMode(generator_.Flag(ConstantOf(c)));
}

void TfrmGenerator::ModulationOnChanged(Channel c) {
    Panel(c).ShowModulationOn(generator_.Flag(ModulationOnOf(c)));
}

void TfrmGenerator::TicksChanged() {
    const bool left = generator_.Flag(FlagField::Lefttick);
    const bool right = generator_.Flag(FlagField::RightTick);
    const bool any = left || right;
    menus_->SaveWaveFile1->setEnabled(any);
    if (!any || hasDevice_) {
        btnON->setEnabled(any);
        menus_->OnOff1->setEnabled(any);
    }
    if (RightPanel->PhaseEdit)
        RightPanel->PhaseEdit->setEnabled(left && right);
}

// --- Generator host ------------------------------------------------------------------------

bool TfrmGenerator::OutputPlaying() const {
    return audioOut_->Playing();
}

void TfrmGenerator::StopOutputNow() {
    audioOut_->StopNow();
}

void TfrmGenerator::TextWritten(TextField field, const std::string& text) {
    if (binding_)
        binding_->MirrorText(field, text);
}

void TfrmGenerator::FlagWritten(FlagField field, bool value) {
    if (binding_)
        binding_->MirrorFlag(field, value);
}

void TfrmGenerator::IndexWritten(IndexField field, int value) {
    if (binding_)
        binding_->MirrorIndex(field, value);
}

void TfrmGenerator::FrequencySliderMoved(Channel c, int position) {
    slider_.Position[static_cast<size_t>(c)] = position;
}

// The renderer's acknowledge message arrives as a direct call on the same thread.
void TfrmGenerator::AcknowledgeRender(GeneratorState&) {
    HandleMessage(1100, 0, 0);
}

void TfrmGenerator::ReportPerformanceIssue() {
    dialogs_.Information(QString::fromLatin1(messages::Performance));
}

bool TfrmGenerator::DisplayVisible() const {
    return display_.Visible && display_.Visible();
}

void TfrmGenerator::ShowFrequencyText(const std::string& text) {
    if (display_.Show)
        display_.Show(QString::fromStdString(text));
}

void TfrmGenerator::ShowNyquistMessage(TextField field) {
    const QString text = QString::fromLatin1(messages::Nyquist);
    if (field != TextField::fInitLeft) {
        dialogs_.Information(text);
        return;
    }
    if (dialogs_.Question(text))
        OpenOutputSettings();
}

void TfrmGenerator::ShowInvalidNumber(const std::string& text) {
    QString message = QString::fromLatin1(messages::InvalidFloat);
    message.replace("%s", QString::fromStdString(text));
    dialogs_.Error(message);
}

// --- Window messages and transport ---------------------------------------------------------

void TfrmGenerator::SetBroadcaster(std::function<void(int code)> broadcaster) {
    broadcaster_ = std::move(broadcaster);
}

void TfrmGenerator::HandleMessage(int code, int, int) {
    switch (code) {
    case 1024:
        StartPlayback();
        break;
    case 1025:
        audioOut_->StopNow();
        break;
    case 1026:
        TogglePause();
        break;
    case 1100:
        generator_.AcknowledgeRender();
        break;
    default:
        break;
    }
}

void TfrmGenerator::Broadcast(int code) {
    if (broadcaster_)
        broadcaster_(code);
    else
        HandleMessage(code, 0, 0);
}

void TfrmGenerator::btnONClick() {
    syncCode_ = 1024;
    if (chkSync->isChecked()) {
        Broadcast(syncCode_);
        raise();
        activateWindow();
    } else {
        StartPlayback();
    }
}

void TfrmGenerator::btnOFFClick() {
    syncCode_ = 1025;
    if (chkSync->isChecked())
        Broadcast(syncCode_);
    else
        audioOut_->StopNow();
    btnON->setFocus();
}

void TfrmGenerator::btnPauseClick() {
    syncCode_ = 1026;
    if (chkSync->isChecked())
        Broadcast(syncCode_);
    else
        TogglePause();
}

void TfrmGenerator::ONOFF2Click() {
    if (audioOut_->Playing())
        btnOFFClick();
    else
        btnONClick();
}

void TfrmGenerator::Exit1Click() {
    if (audioOut_->Playing())
        audioOut_->StopNow();
    close();
}

void TfrmGenerator::TogglePause() {
    audioOut_->SetPaused(!audioOut_->Paused());
    QFont f = btnPause->font();
    f.setBold(audioOut_->Paused());
    btnPause->setFont(f);
}

void TfrmGenerator::StartPlayback() {
    const OutputSettings values = settings_ ? settings_->Settings() : OutputSettings{};
    const Playback::StartResult result =
        playback_->StartPlayback(values.BufferCount(), values.BufferBytes());
    if (result.Result == Playback::Outcome::AlreadyPlaying)
        return;
    if (result.Result == Playback::Outcome::Failed)
        dialogs_.Information(QString::fromStdString(result.Message));
    btnOFF->setFocus();
}

void TfrmGenerator::SetDefaultButton(QPushButton* button) {
    for (QPushButton* b : {btnON, btnOFF})
        b->setDefault(b == button);
}

void TfrmGenerator::SetLocked(bool locked) {
    for (QWidget* w : locked_)
        w->setEnabled(!locked);
    // The whole Presets menu, its function keys included.
    menus_->Presets1->menuAction()->setEnabled(!locked);
    for (QAction* item : menus_->Presets1->actions())
        item->setEnabled(!locked);
}

void TfrmGenerator::AudioOut1Start() {
    ApplicationTitle::Set(ApplicationTitle::RunningTitle());
    SetDefaultButton(btnOFF);
    LED->SetColour(StatusLamp::On);
    generatorRunning_ = true;
    SetLocked(true);
}

void TfrmGenerator::AudioOut1Stop() {
    ApplicationTitle::Set(ApplicationTitle::GeneratorTitle());
    QFont f = btnPause->font();
    f.setBold(false);
    btnPause->setFont(f);
    SetDefaultButton(btnON);
    LED->SetColour(StatusLamp::Off);
    generatorRunning_ = false;
    SetLocked(false);
}

// The device failed while playing (unplugged, server gone): the stop notice follows.
void TfrmGenerator::AudioOut1Error() {
    dialogs_.Information(
        QString::fromStdString(Playback::StartFailureMessage(audioOut_->ErrorMessage())));
}

void TfrmGenerator::WaveDeviceChange() {
    audioOut_->SetWaveDevice(WaveDevice->currentIndex() - 1);
}

void TfrmGenerator::OpenOutputSettings() {
    audioOut_->StopNow();
    if (!settings_)
        return;
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

// --- Output settings -----------------------------------------------------------------------

void TfrmGenerator::SetSliderLimits(int maximum, const std::string& maxFreqText) {
    slider_.Maximum = maximum;
    slider_.MaxFreqEdit = maxFreqText;
    UpdateSampleRateLabel();
}

void TfrmGenerator::OutputSettingsClosed() {
    setEnabled(true);
    generator_.DeriveSweep(Channel::Left);
}

QString TfrmGenerator::SampleRateText(int32_t fs) {
    return "fs = " + QString::fromStdString(FormatGeneral(fs * 0.001L)) + " kHz";
}

void TfrmGenerator::UpdateSampleRateLabel() {
    lblFS->setText(SampleRateText(generator_.SampleRate()));
    lblFS->adjustSize();
}

// --- Wave export ---------------------------------------------------------------------------

void TfrmGenerator::SaveWaveFile1Click() {
    generator_.SetFlag(FlagField::Loop, false);
    audioOut_->StopNow();
    if (!generator_.ResetGenerator(true)) {
        ShowInvalidNumber(generator_.Text(TextField::PhaseEdit));
        return;
    }
    UserDialogs::FileRequest request;
    request.Title = tr("Save as wave file");
    request.Proposed = QString::fromStdString(ProposedWaveFileName(generator_));
    request.Filter = tr("WAVE file (*.wav)");
    request.DefaultSuffix = "wav";
    const QString path = dialogs_.SaveFileName(request);
    if (path.isEmpty())
        return;
    switch (writer_.WriteWaveFile(path.toStdString(), generator_, wait_.get())) {
    case WaveWriteResult::BadDuration:
        ShowInvalidNumber(generator_.Text(TextField::Duration));
        break;
    case WaveWriteResult::Failed:
    case WaveWriteResult::TooLong:
        dialogs_.Error(QString::fromLatin1(FileAccessErrorMessage));
        break;
    default:
        break;
    }
}

// --- Preset files --------------------------------------------------------------------------

// Loading replaces the four slots and the buttons' captions; nothing is applied.
void TfrmGenerator::LoadSweepSettings1Click() {
    audioOut_->StopNow();
    UserDialogs::FileRequest request;
    request.Title = tr("Load preset file");
    request.Filter = tr("Quavril Presets (*.qvl)");
    request.DefaultSuffix = "qvl";
    const QString path = dialogs_.OpenFileName(request);
    if (path.isEmpty())
        return;
    const PresetFileResult result = LoadPresetFile(path.toStdString(), memory_->Bank());
    if (!result)
        dialogs_.Error(QString::fromStdString(result.Error));
    memory_->ShowNames();
}

void TfrmGenerator::SaveSweepSettingsAs1Click() {
    audioOut_->StopNow();
    UserDialogs::FileRequest request;
    request.Title = tr("Save preset file");
    request.Filter = tr("QVL presets (*.qvl)");
    request.DefaultSuffix = "qvl";
    request.ConfirmOverwrite = false;
    const QString path = dialogs_.SaveFileName(request);
    if (path.isEmpty())
        return;
    const PresetFileResult result = SavePresetFile(path.toStdString(), memory_->Bank());
    if (!result)
        dialogs_.Error(QString::fromStdString(result.Error));
}

// Another generator is another copy of this program.
void TfrmGenerator::OpenNewGeneratorWindow1Click() {
    QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}

// --- Reset and copy ------------------------------------------------------------------------

void TfrmGenerator::rESETTOdEFAULT1Click() {
    ResetToDefaults::Run(generator_, *this);
}

void TfrmGenerator::FillMemoryBank() {
    FillBankAtStart(generator_, memory_->Bank());
    memory_->ShowNames();
}

void TfrmGenerator::CopySettingsfromleftChannel1Click() {
    ChannelCopy::Copy(generator_, Channel::Left, Channel::Right);
}

void TfrmGenerator::CopySettingsfromrightChannel1Click() {
    ChannelCopy::Copy(generator_, Channel::Right, Channel::Left);
}

void TfrmGenerator::SelectDefaultDevice() {
    {
        const QSignalBlocker blocker(WaveDevice);
        WaveDevice->setCurrentIndex(0);
    }
    WaveDeviceChange();
}

void TfrmGenerator::SetSliderLimitTexts(const std::string& minFreq, const std::string& maxFreq) {
    slider_.MinFreqEdit = minFreq;
    slider_.MaxFreqEdit = maxFreq;
}

int32_t TfrmGenerator::OutputFrameRate() const {
    return audioOut_->FrameRate();
}

// --- Help and web --------------------------------------------------------------------------

void TfrmGenerator::ShowHelp(int context) {
    HelpViewer::Instance().ShowContext(context);
}

void TfrmGenerator::Help1Click() {
    ShowHelp(HelpViewer::GeneratorWindow);
}

void TfrmGenerator::HelpContents1Click() {
    HelpViewer::Instance().ShowContents();
}

void TfrmGenerator::MoreSoftware1Click() {
    QDesktopServices::openUrl(QUrl(menus_->MoreSoftware1->statusTip()));
}

void TfrmGenerator::Image1Click() {
    QDesktopServices::openUrl(QUrl(WebAddresses::Home));
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
    audioOut_->StopNow();
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

// Leaving the device list re-derives the left channel.
bool TfrmGenerator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == WaveDevice && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            generator_.DeriveSweep(Channel::Left);
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace quavril
