#include "ui/TfrmSettings.h"

#include "session/GeneratorSession.h"
#include "ui/HelpViewer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace quavril {

namespace {
template <size_t N> void Fill(QComboBox* list, const std::array<int32_t, N>& values) {
    for (int32_t v : values)
        list->addItem(QString::number(v));
}
} // namespace

TfrmSettings::TfrmSettings(GeneratorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session) {
    setObjectName("frmSettings");
    HelpViewer::SetContext(this, HelpViewer::OutputSettings);
    setWindowTitle(tr("Output Settings"));
    auto* grid = new QGridLayout(this);
    FsList = AddList(tr("Sampling rate (Hz)"), "FsList", 0);
    BufferSize = AddList(tr("Buffer size (bytes)"), "BufferSize", 1);
    Buffers = AddList(tr("Number of buffers"), "Buffers", 2);
    for (int position : OutputSettings::FsAscending)
        FsList->addItem(QString::number(OutputSettings::FsValues[static_cast<size_t>(position)]),
                        position);
    Fill(BufferSize, OutputSettings::BufferSizeValues);
    Fill(Buffers, OutputSettings::BuffersValues);
    BuildQualityGroup();
    BuildScpiGroup();
    BuildButtons();
    grid->setSizeConstraint(QLayout::SetFixedSize);

    ShowPositions();
    ShowQuality();
    // A rate chosen elsewhere (the performance test) shows here too.
    connect(&session_, &GeneratorSession::SampleRateChanged, this, &TfrmSettings::ShowPositions);
    connect(&session_, &GeneratorSession::QualityChanged, this, &TfrmSettings::ShowQuality);
}

const OutputSettings& TfrmSettings::Settings() const {
    return session_.Settings();
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

void TfrmSettings::BuildQualityGroup() {
    QualityGroup = new QGroupBox(tr("Signal quality"), this);
    QualityGroup->setObjectName("QualityGroup");
    auto* form = new QGridLayout(QualityGroup);
    const auto addRow = [&](const QString& caption, QWidget* field, int row) {
        field->setParent(QualityGroup);
        auto* label = new QLabel(caption, QualityGroup);
        label->setBuddy(field);
        form->addWidget(label, row, 0);
        form->addWidget(field, row, 1);
    };
    SampleFormat = new QComboBox;
    SampleFormat->setObjectName("SampleFormat");
    SampleFormat->addItems({tr("16-bit"), tr("24-bit"), tr("32-bit float")});
    addRow(tr("Sample &format"), SampleFormat, 0);
    Dither = new QComboBox;
    Dither->setObjectName("Dither");
    Dither->addItems({tr("None"), tr("TPDF (triangular)")});
    addRow(tr("&Dither"), Dither, 1);
    FadeMs = new QSpinBox;
    FadeMs->setObjectName("FadeMs");
    FadeMs->setRange(0, SignalQuality::MaxFadeMs);
    FadeMs->setSingleStep(5);
    FadeMs->setSuffix(tr(" ms"));
    FadeMs->setSpecialValueText(tr("Off"));
    FadeMs->setKeyboardTracking(false); // applied when the user is done typing
    addRow(tr("Soft start and st&op"), FadeMs, 2);
    BandLimited = new QCheckBox(tr("&Band-limited square, triangle and sawtooth"), QualityGroup);
    BandLimited->setObjectName("BandLimited");
    form->addWidget(BandLimited, 3, 0, 1, 2);
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(QualityGroup, grid->rowCount(), 0, 1, 2);

    connect(SampleFormat, &QComboBox::activated, this, &TfrmSettings::QualityChange);
    connect(Dither, &QComboBox::activated, this, &TfrmSettings::QualityChange);
    connect(FadeMs, &QSpinBox::valueChanged, this, &TfrmSettings::QualityChange);
    connect(BandLimited, &QCheckBox::clicked, this, &TfrmSettings::QualityChange);
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
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addLayout(row, grid->rowCount(), 0, 1, 2);
    connect(FsList, &QComboBox::activated, this,
            [this](int index) { FsListChange(FsList->itemData(index).toInt()); });
    connect(BufferSize, &QComboBox::activated, this, &TfrmSettings::BufferSizeChange);
    connect(Buffers, &QComboBox::activated, this, &TfrmSettings::BuffersChange);
    connect(HelpButton, &QPushButton::clicked, this,
            [] { HelpViewer::Instance().ShowContext(HelpViewer::OutputSettings); });
    connect(Button1, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmSettings::BuildScpiGroup() {
    ScpiGroup = new QGroupBox(tr("Remote control (SCPI)"), this);
    ScpiGroup->setObjectName("ScpiGroup");
    auto* form = new QFormLayout(ScpiGroup);
    chkScpi = new QCheckBox(tr("&Serve SCPI commands over the network"), ScpiGroup);
    chkScpi->setObjectName("chkScpi");
    ScpiAddress = new QLineEdit(ScpiGroup);
    ScpiAddress->setObjectName("ScpiAddress");
    ScpiAddress->setToolTip(tr("127.0.0.1: this computer only; 0.0.0.0 or ::: every network"));
    ScpiPort = new QSpinBox(ScpiGroup);
    ScpiPort->setObjectName("ScpiPort");
    ScpiPort->setRange(1, 65535);
    ScpiPort->setToolTip(tr("Further copies of the program take the next free ports"));
    ScpiAllowed = new QLineEdit(ScpiGroup);
    ScpiAllowed->setObjectName("ScpiAllowed");
    ScpiAllowed->setPlaceholderText(tr("every client"));
    ScpiAllowed->setToolTip(tr("Addresses or subnets such as 192.168.1.0/24, separated by commas"));
    lblScpiStatus = new QLabel(ScpiGroup);
    lblScpiStatus->setObjectName("lblScpiStatus");
    lblScpiStatus->setWordWrap(true);
    form->addRow(chkScpi);
    form->addRow(tr("&Address"), ScpiAddress);
    form->addRow(tr("First &port"), ScpiPort);
    form->addRow(tr("Allowed &clients"), ScpiAllowed);
    form->addRow(lblScpiStatus);
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(ScpiGroup, grid->rowCount(), 0, 1, 2);
    ShowScpi();
    connect(chkScpi, &QCheckBox::toggled, this, &TfrmSettings::ScpiEdited);
    connect(ScpiAddress, &QLineEdit::editingFinished, this, &TfrmSettings::ScpiEdited);
    connect(ScpiPort, &QSpinBox::editingFinished, this, &TfrmSettings::ScpiEdited);
    connect(ScpiAllowed, &QLineEdit::editingFinished, this, &TfrmSettings::ScpiEdited);
    connect(&session_, &GeneratorSession::ScpiChanged, this, &TfrmSettings::ShowScpi);
    connect(&session_, &GeneratorSession::ScpiStatusChanged, lblScpiStatus, &QLabel::setText);
}

void TfrmSettings::ShowScpi() {
    const ScpiSettings& s = session_.Scpi();
    const QSignalBlocker a(chkScpi), b(ScpiAddress), c(ScpiPort), d(ScpiAllowed);
    chkScpi->setChecked(s.On);
    ScpiAddress->setText(QString::fromStdString(s.Address));
    ScpiPort->setValue(s.Port);
    ScpiAllowed->setText(QString::fromStdString(s.Allowed));
    lblScpiStatus->setText(session_.ScpiStatus());
}

void TfrmSettings::ScpiEdited() {
    ScpiSettings s;
    s.On = chkScpi->isChecked();
    s.Address = ScpiAddress->text().trimmed().toStdString();
    if (s.Address.empty())
        s.Address = ScpiSettings::DefaultAddress;
    s.Port = ScpiPort->value();
    s.Allowed = ScpiAllowed->text().trimmed().toStdString();
    session_.SetScpi(s);
}

void TfrmSettings::ShowPositions() {
    const QSignalBlocker a(FsList), b(BufferSize), c(Buffers);
    FsList->setCurrentIndex(FsList->findData(Settings().Fs));
    BufferSize->setCurrentIndex(Settings().BufferSize);
    Buffers->setCurrentIndex(Settings().Buffers);
}

void TfrmSettings::ShowQuality() {
    const SignalQuality& q = session_.Quality();
    const QSignalBlocker a(SampleFormat), b(Dither), c(FadeMs), d(BandLimited);
    SampleFormat->setCurrentIndex(static_cast<int>(q.Format));
    Dither->setCurrentIndex(static_cast<int>(q.Dither));
    // Float samples are not rounded, so there is nothing to dither.
    Dither->setEnabled(q.Format != quavril::SampleFormat::F32);
    FadeMs->setValue(q.FadeMs);
    BandLimited->setChecked(q.BandLimited);
}

void TfrmSettings::QualityChange() {
    SignalQuality q;
    q.Format = static_cast<quavril::SampleFormat>(SampleFormat->currentIndex());
    q.Dither = static_cast<DitherKind>(Dither->currentIndex());
    q.FadeMs = FadeMs->value();
    q.BandLimited = BandLimited->isChecked();
    session_.SetQuality(q);
    ShowQuality();
}

void TfrmSettings::FsListChange(int position) {
    session_.SelectRate(position);
}

void TfrmSettings::BufferSizeChange(int position) {
    session_.SelectBufferSize(position);
}

void TfrmSettings::BuffersChange(int position) {
    session_.SelectBuffers(position);
}

void TfrmSettings::closeEvent(QCloseEvent* event) {
    session_.SaveOutputSettings();
    session_.OutputSettingsClosed();
    event->accept();
    emit Closed();
}

void TfrmSettings::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quavril
