#include "ui/TfrmSettings.h"

#include "settings/SettingsStore.h"
#include "synth/Generator.h"
#include "synth/NumberText.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <cmath>

namespace quavril {

namespace {
template <size_t N> void Fill(QComboBox* list, const std::array<int32_t, N>& values) {
    for (int32_t v : values)
        list->addItem(QString::number(v));
}
} // namespace

TfrmSettings::TfrmSettings(SettingsStore& store, Owner& owner, QWidget* parent)
    : QWidget(parent, Qt::Tool), store_(store), owner_(owner) {
    setObjectName("frmSettings");
    setWindowTitle(tr("Output Settings"));
    auto* grid = new QGridLayout(this);
    FsList = AddList(tr("Sampling rate (Hz)"), "FsList", 0);
    BufferSize = AddList(tr("Buffer size (bytes)"), "BufferSize", 1);
    Buffers = AddList(tr("Number of buffers"), "Buffers", 2);
    Fill(FsList, OutputSettings::FsValues);
    Fill(BufferSize, OutputSettings::BufferSizeValues);
    Fill(Buffers, OutputSettings::BuffersValues);
    BuildButtons();
    grid->setSizeConstraint(QLayout::SetFixedSize);

    settings_ = LoadOutputSettings(store_);
    ShowPositions();
    owner_.Gen().SetSampleRate(settings_.SampleRate());
}

QComboBox* TfrmSettings::AddList(const QString& caption, const QString& name, int row) {
    auto* grid = static_cast<QGridLayout*>(layout());
    auto* list = new QComboBox(this);
    list->setObjectName(name);
    list->setEditable(false);
    auto* label = new QLabel(caption, this);
    label->setBuddy(list);
    grid->addWidget(label, row, 0);
    grid->addWidget(list, row, 1);
    return list;
}

void TfrmSettings::BuildButtons() {
    HelpButton = new QPushButton(tr("Help"), this);
    HelpButton->setObjectName("HelpButton");
    Button1 = new QPushButton(tr("Close"), this);
    Button1->setObjectName("Button1");
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(HelpButton);
    row->addWidget(Button1);
    static_cast<QGridLayout*>(layout())->addLayout(row, 3, 0, 1, 2);
    connect(FsList, &QComboBox::activated, this, &TfrmSettings::FsListChange);
    connect(BufferSize, &QComboBox::activated, this, &TfrmSettings::BufferSizeChange);
    connect(Buffers, &QComboBox::activated, this, &TfrmSettings::BuffersChange);
    connect(HelpButton, &QPushButton::clicked, this, [this] { owner_.ShowHelp(2); });
    connect(Button1, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmSettings::ShowPositions() {
    const QSignalBlocker a(FsList), b(BufferSize), c(Buffers);
    FsList->setCurrentIndex(settings_.Fs);
    BufferSize->setCurrentIndex(settings_.BufferSize);
    Buffers->setCurrentIndex(settings_.Buffers);
}

int TfrmSettings::SliderMaximum(int32_t fs) {
    return static_cast<int>(RoundEven(std::log10(static_cast<long double>(fs / 4)) * 1000.0L));
}

void TfrmSettings::FsListChange(int position) {
    if (position < 0 || position >= static_cast<int>(OutputSettings::FsValues.size()))
        return;
    settings_.Fs = position;
    owner_.SwitchOff();
    const int32_t fs = settings_.SampleRate();
    owner_.Gen().SetSampleRate(fs);
    owner_.SetSliderLimits(SliderMaximum(fs), std::to_string(fs / 2));
    LowerFrequencyFields(fs / 2);
}

// A field above the new limit is lowered to it; writing the text runs its change handler.
void TfrmSettings::LowerFrequencyFields(int32_t half) {
    Generator& g = owner_.Gen();
    for (TextField f : {TextField::fInitLeft, TextField::fFinalLeft, TextField::fInitRight,
                        TextField::fFinalRight}) {
        const auto v = ParsePlain(g.Text(f));
        if (v && *v > half)
            g.SetText(f, std::to_string(half));
    }
}

void TfrmSettings::BufferSizeChange(int position) {
    if (position < 0 || position >= static_cast<int>(OutputSettings::BufferSizeValues.size()))
        return;
    settings_.BufferSize = position;
    owner_.SwitchOff();
}

void TfrmSettings::BuffersChange(int position) {
    if (position < 0 || position >= static_cast<int>(OutputSettings::BuffersValues.size()))
        return;
    settings_.Buffers = position;
    owner_.SwitchOff();
}

void TfrmSettings::closeEvent(QCloseEvent* event) {
    SaveOutputSettings(store_, settings_);
    owner_.OutputSettingsClosed();
    event->accept();
}

void TfrmSettings::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        owner_.ShowHelp(2);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quavril
