#include "ui/ChannelPanel.h"

#include "session/GeneratorSession.h"
#include "synth/ListItems.h"
#include "ui/DesignLayout.h"
#include "ui/ExitLineEdit.h"
#include "ui/FrequencyGroup.h"
#include "ui/GeneratorBinding.h"
#include "ui/ListPictures.h"
#include "ui/PictureList.h"
#include "ui/PressButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace quavril {

namespace {
QLabel* NewLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

ExitLineEdit* NewEdit(const QString& text, const QString& name, QWidget* parent) {
    auto* edit = new ExitLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}
} // namespace

ChannelPanel::ChannelPanel(Channel channel, DesignLayout& layout, QWidget* window)
    : QObject(window), Side(channel) {
    const bool left = channel == Channel::Left;
    const QString side = left ? "Left" : "Right";
    Box = new QGroupBox(left ? tr("Left channel") : tr("Right channel"), window);
    Box->setObjectName(left ? "GroupBox12" : "GroupBox13");
    layout.Place(Box, left ? 11 : 233, 61, 218, 312);
    BuildHeader(side, layout);
    if (!left)
        BuildPhase(layout);
    Frequency = new FrequencyGroup(channel, layout, Box);
    BuildAmplitude(side, layout);
    BuildModulation(side, layout);
    ShowModulationOn(false);
}

void ChannelPanel::BuildHeader(const QString& side, DesignLayout& layout) {
    const bool left = Side == Channel::Left;
    Tick = new QCheckBox(tr("On"), Box);
    Tick->setObjectName(left ? "Lefttick" : "RightTick");
    Tick->setToolTip(left ? tr("Left channel sounds") : tr("Right channel sounds"));
    Tick->setChecked(true);
    Tick->setEnabled(false);
    const int tickX = left ? 74 : 83;
    layout.Place(Tick, tickX, 0, 40);
    layout.LimitTitle(Box, tickX - 2);

    WaveFormLabel = NewLabel(tr("Waveform"), "lblWaveForm" + side, Box);
    WaveForm = new PictureList(18, left ? 1 : 2, Box);
    WaveForm->setObjectName("WaveForm" + side);
    WaveForm->setToolTip(tr("Waveform of the Signal"));
    for (int i = 0; i < WaveformCount; ++i)
        WaveForm->AddPictureItem(ListPictures::ForWaveform(i, Box->devicePixelRatioF()),
                                 QString::fromStdString(WaveformItemText(i)));
    layout.Place(WaveFormLabel, 8, 18);
    layout.Place(WaveForm, 8, 33, 137, 22);
}

void ChannelPanel::BuildPhase(DesignLayout& layout) {
    PhaseLabel = NewLabel(tr("Phase"), "Label4", Box);
    PhaseLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PhaseEdit = NewEdit("0", "PhaseEdit", Box);
    PhaseEdit->setToolTip(tr("Phase of the right channel against the left, in degrees"));
    layout.Place(PhaseLabel, 159, 18, 44, 14);
    layout.Place(PhaseEdit, 173, 33, 30, 21);
}

void ChannelPanel::BuildAmplitude(const QString& side, DesignLayout& layout) {
    const bool left = Side == Channel::Left;
    AmplitudeBox = new QGroupBox(tr("Amplitude"), Box);
    AmplitudeBox->setObjectName(left ? "GroupBox6" : "GroupBox15");
    layout.Place(AmplitudeBox, 8, 170, 63, 134);
    barAmplitude = new QSlider(Qt::Vertical, AmplitudeBox);
    barAmplitude->setObjectName("barAmplitude" + side);
    barAmplitude->setRange(0, 100);
    barAmplitude->setTickInterval(10);
    barAmplitude->setTickPosition(QSlider::TicksBothSides);
    barAmplitude->setInvertedAppearance(true); // 0 dB at the top
    barAmplitude->setInvertedControls(true);
    barAmplitude->setPageStep(10);
    barAmplitude->setToolTip(tr("Amplitude: attenuation in dB"));
    Amplitude = NewEdit("0", "Amplitude" + side, AmplitudeBox);
    Amplitude->setToolTip(tr("Amplitude in dBFS (-100 to 0)"));
    dBFSLabel = NewLabel("dBFS", "lbldBFS" + side, AmplitudeBox);
    layout.Place(barAmplitude, 10, 16, 20, 90);
    layout.Place(Amplitude, 3, 106, 28, 21);
    layout.Place(dBFSLabel, 33, 109, 28);
}

ExitLineEdit* ChannelPanel::AddModulationRow(const QString& caption, const QString& unit,
                                             const QString& name, int y, int width,
                                             DesignLayout& layout) {
    const QString side = Side == Channel::Left ? "Left" : "Right";
    QLabel* label = NewLabel(caption, "lbl" + name, ModulationBox);
    layout.Place(label, 8, y + 3, 45);
    ModulationLabels.append(label);
    ExitLineEdit* edit = NewEdit(QString(), name, ModulationBox);
    layout.Place(edit, 55, y, width, 21);
    if (!unit.isEmpty()) {
        QLabel* unitLabel = NewLabel(unit, "lbl" + name + "Unit", ModulationBox);
        layout.Place(unitLabel, 55 + width + 3, y + 3);
        ModulationLabels.append(unitLabel);
    }
    return edit;
}

void ChannelPanel::BuildModulation(const QString& side, DesignLayout& layout) {
    const bool left = Side == Channel::Left;
    ModulationBox = new QGroupBox(QString(), Box);
    ModulationBox->setObjectName(left ? "GroupBox9" : "GroupBox14");
    layout.Place(ModulationBox, 73, 170, 140, 134);
    ModulationOn = new QCheckBox(tr("Amplitude modulation"), ModulationBox);
    ModulationOn->setObjectName("ModulationOn" + side);
    ModulationOn->setStatusTip(tr("Modulate the amplitude of the channel"));
    layout.Place(ModulationOn, 7, 0, 128);
    ModFunction = new PictureList(18, 2, ModulationBox);
    ModFunction->setObjectName("ModFunction" + side);
    ModFunction->setToolTip(tr("Waveform of the Signal Modulation "));
    for (int i = 0; i < ModFunctionCount; ++i)
        ModFunction->AddPictureItem(
            ListPictures::ForModFunction(i, ModulationBox->devicePixelRatioF()),
            QString::fromUtf8(ModFunctionName(i).data(), ModFunctionName(i).size()));
    ModFunction->setCurrentIndex(MODCOS);
    layout.Place(ModFunction, 7, 30, 120, 22);
    ModDepthEdit = AddModulationRow(tr("Depth"), "%", "ModDepth" + side + "Edit", 56, 30, layout);
    ModDepthEdit->setText("100");
    ModDepthEdit->setToolTip(tr("Depth of the Modulation in %"));
    ModPeriodEdit =
        AddModulationRow(tr("Period"), "s", "ModPeriod" + side + "Edit", 82, 40, layout);
    ModPeriodEdit->setText("1");
    ModPeriodEdit->setToolTip(tr("Period of the Modulation in seconds"));
    ModPhaseEdit =
        AddModulationRow(tr("Phase"), QString(), "ModPhase" + side + "Edit", 107, 30, layout);
    ModPhaseEdit->setText("0");
    ModPhaseEdit->setToolTip(tr("Phase of the Modulation at the start, in degrees"));
}

void ChannelPanel::ShowModulationOn(bool on) {
    for (QLabel* label : ModulationLabels)
        label->setEnabled(on);
    ModPeriodEdit->setEnabled(on);
    ModDepthEdit->setEnabled(on);
    ModPhaseEdit->setEnabled(on);
    ModFunction->setEnabled(on);
    ModFunction->SetGreyText(!on);
}

void ChannelPanel::Bind(GeneratorBinding& binding, Generator& g) {
    const Channel c = Side;
    FrequencyGroup* f = Frequency;
    binding.BindCheck(TickOf(c), Tick);
    binding.BindList(WaveFormOf(c), WaveForm);
    binding.BindConstantPair(ConstantOf(c), f->chkConstant, f->chkSweep);
    binding.BindEdit(fInitOf(c), f->fInit);
    binding.BindEdit(fFinalOf(c), f->fFinal);
    binding.BindCheck(LogarithmicOf(c), f->Logarithmic);
    binding.BindCheck(BidirectionalOf(c), f->Bidirectional);
    binding.BindAmplitudeBar(AmplitudeBarOf(c), barAmplitude);
    binding.BindEdit(AmplitudeOf(c), Amplitude);
    binding.BindCheck(ModulationOnOf(c), ModulationOn);
    binding.BindList(ModFunctionOf(c), ModFunction);
    binding.BindEdit(ModDepthOf(c), ModDepthEdit);
    binding.BindEdit(ModPeriodOf(c), ModPeriodEdit);
    binding.BindEdit(ModPhaseOf(c), ModPhaseEdit);
    connect(f->SemiUp, &QPushButton::clicked, this, [&g, c] { g.SemitoneStep(c, true); });
    connect(f->SemiDown, &QPushButton::clicked, this, [&g, c] { g.SemitoneStep(c, false); });
    connect(f->fInitPlus, &PressButton::Pressed, this, [&g, c] { g.HertzStep(c, true); });
    connect(f->fInitMinus, &PressButton::Pressed, this, [&g, c] { g.HertzStep(c, false); });
}

QAction* ChannelPanel::AddCopyMenu(const QString& text, const char* menuName,
                                   const char* actionName) {
    CopyMenu = new QMenu(Box->window());
    CopyMenu->setObjectName(menuName);
    QAction* item = CopyMenu->addAction(text);
    item->setObjectName(actionName);
    Box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Box, &QWidget::customContextMenuRequested, CopyMenu,
            [this](const QPoint& at) { CopyMenu->popup(Box->mapToGlobal(at)); });
    return item;
}

void ChannelPanel::Follow(GeneratorSession& session) {
    session_ = &session;
    connect(&session, &GeneratorSession::ChannelsRefreshed, this, &ChannelPanel::ChannelsRefreshed);
    connect(&session, &GeneratorSession::WaveFormRefreshed, this, &ChannelPanel::WaveFormRefreshed);
    connect(&session, &GeneratorSession::LoopRefreshed, this, &ChannelPanel::LoopRefreshed);
    connect(&session, &GeneratorSession::TicksRefreshed, this, &ChannelPanel::TicksRefreshed);
    connect(&session, &GeneratorSession::ConstantRefreshed, this, [this](Channel c) {
        if (c == Side)
            Frequency->ShowMode(session_->Controls().Flag(ConstantOf(c)));
    });
    connect(&session, &GeneratorSession::ModulationOnRefreshed, this, [this](Channel c) {
        if (c == Side)
            ShowModulationOn(session_->Controls().Flag(ModulationOnOf(c)));
    });
}

// Both channel boxes only in stereo; the right panel as a whole only in stereo.
void ChannelPanel::ChannelsRefreshed() {
    const Generator& g = session_->Controls();
    const bool stereo = g.Mode() == STEREO;
    Tick->setEnabled(stereo);
    if (!IsRight())
        return;
    ApplyPhaseVisibility();
    FrequencyGroup& f = *Frequency;
    for (QWidget* w : std::initializer_list<QWidget*>{
             Box, f.fInit, f.fFinal, f.chkConstant, f.chkSweep, f.Logarithmic, Amplitude,
             barAmplitude, dBFSLabel, WaveFormLabel, f.SemiUp, f.SemiDown, ModulationOn, WaveForm,
             f.fInitPlus, f.fInitMinus})
        w->setEnabled(stereo);
    f.Bidirectional->setEnabled(stereo && g.Flag(FlagField::Loop));
    WaveForm->SetGreyText(!stereo);
    ModFunction->SetGreyText(!stereo || !g.Flag(FlagField::ModulationOnRight));
}

// Noise, silence and pulses have no frequency; the phase needs two periodic channels.
void ChannelPanel::WaveFormRefreshed(Channel changed) {
    const bool periodic = session_->Controls().Index(WaveFormOf(changed)) < WHITE;
    if (changed == Side)
        Frequency->Box->setVisible(periodic);
    if (!IsRight())
        return;
    if (periodic) {
        ApplyPhaseVisibility();
    } else {
        PhaseLabel->hide();
        PhaseEdit->hide();
    }
}

void ChannelPanel::LoopRefreshed() {
    const Generator& g = session_->Controls();
    const bool loop = g.Flag(FlagField::Loop);
    Frequency->Bidirectional->setEnabled(loop && (!IsRight() || g.Mode() == STEREO));
}

void ChannelPanel::TicksRefreshed() {
    const Generator& g = session_->Controls();
    if (IsRight())
        PhaseEdit->setEnabled(g.Flag(FlagField::Lefttick) && g.Flag(FlagField::RightTick));
}

// The phase edit is shown in stereo while neither channel plays white or pink noise.
void ChannelPanel::ApplyPhaseVisibility() {
    const Generator& g = session_->Controls();
    bool noise = false;
    for (Channel c : {Channel::Left, Channel::Right})
        noise =
            noise || WaveformItemText(g.Index(WaveFormOf(c))).find("noise") != std::string::npos;
    const bool shown = g.Mode() == STEREO && !noise;
    PhaseLabel->setVisible(shown);
    PhaseEdit->setVisible(shown);
}

} // namespace quavril
