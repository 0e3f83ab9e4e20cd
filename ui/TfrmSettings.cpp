#include "ui/TfrmSettings.h"

#include "session/GeneratorSession.h"
#include "ui/HelpViewer.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

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
    Fill(FsList, OutputSettings::FsValues);
    Fill(BufferSize, OutputSettings::BufferSizeValues);
    Fill(Buffers, OutputSettings::BuffersValues);
    BuildButtons();
    grid->setSizeConstraint(QLayout::SetFixedSize);

    ShowPositions();
    // A rate chosen elsewhere (the performance test) shows here too.
    connect(&session_, &GeneratorSession::SampleRateChanged, this, &TfrmSettings::ShowPositions);
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
    connect(HelpButton, &QPushButton::clicked, this,
            [] { HelpViewer::Instance().ShowContext(HelpViewer::OutputSettings); });
    connect(Button1, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmSettings::ShowPositions() {
    const QSignalBlocker a(FsList), b(BufferSize), c(Buffers);
    FsList->setCurrentIndex(Settings().Fs);
    BufferSize->setCurrentIndex(Settings().BufferSize);
    Buffers->setCurrentIndex(Settings().Buffers);
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
