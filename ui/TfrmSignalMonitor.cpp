#include "ui/TfrmSignalMonitor.h"

#include "analysis/ScopeTrace.h"
#include "files/FileReplacement.h"
#include "session/GeneratorSession.h"
#include "ui/HelpViewer.h"
#include "ui/SignalMonitorView.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

namespace quavril {

TfrmSignalMonitor::TfrmSignalMonitor(GeneratorSession& session, UserDialogs& dialogs,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), dialogs_(dialogs) {
    setObjectName("frmSignalMonitor");
    setWindowTitle(tr("Signal monitor"));
    HelpViewer::SetContext(this, HelpViewer::SignalMonitor);
    view_ = new SignalMonitorView(analysis_, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildControls());
    layout->addWidget(view_, 1);
    timer_.setInterval(1000 / UpdatesPerSecond);
    connect(&timer_, &QTimer::timeout, this, &TfrmSignalMonitor::Renew);
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    connect(copy, &QShortcut::activated, this, &TfrmSignalMonitor::CopyPicture);
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, &TfrmSignalMonitor::SavePicture);
    resize(DesignWidth, DesignHeight);
}

TfrmSignalMonitor::~TfrmSignalMonitor() {
    if (attached_)
        session_.AttachMonitor(nullptr);
}

QWidget* TfrmSignalMonitor::BuildControls() {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* sizeLabel = new QLabel(tr("FFT si&ze:"), row);
    cboFftSize = new QComboBox(row);
    cboFftSize->setObjectName("cboFftSize");
    for (int size : FftSizes)
        cboFftSize->addItem(QString::number(size), size);
    cboFftSize->setCurrentIndex(cboFftSize->findData(analysis_.FftSize()));
    sizeLabel->setBuddy(cboFftSize);
    chkAveraging = new QCheckBox(tr("&Averaging"), row);
    chkAveraging->setObjectName("chkAveraging");
    btnPause = new QPushButton(tr("&Pause"), row);
    btnPause->setObjectName("btnPause");
    btnPause->setCheckable(true);
    btnCopy = new QPushButton(tr("&Copy image"), row);
    btnCopy->setObjectName("btnCopy");
    btnSave = new QPushButton(tr("&Save as PNG..."), row);
    btnSave->setObjectName("btnSave");
    for (QWidget* w : std::initializer_list<QWidget*>{sizeLabel, cboFftSize, chkAveraging, btnPause,
                                                      btnCopy, btnSave})
        h->addWidget(w);
    h->addStretch(1);
    connect(cboFftSize, &QComboBox::activated, this,
            [this](int i) { SetFftSize(cboFftSize->itemData(i).toInt()); });
    connect(chkAveraging, &QCheckBox::toggled, this, &TfrmSignalMonitor::SetAveraging);
    connect(btnPause, &QPushButton::toggled, this, &TfrmSignalMonitor::SetPaused);
    connect(btnCopy, &QPushButton::clicked, this, &TfrmSignalMonitor::CopyPicture);
    connect(btnSave, &QPushButton::clicked, this, &TfrmSignalMonitor::SavePicture);
    return row;
}

void TfrmSignalMonitor::SetFftSize(int size) {
    analysis_.SetFftSize(size);
    const QSignalBlocker block(cboFftSize);
    cboFftSize->setCurrentIndex(cboFftSize->findData(analysis_.FftSize()));
}

void TfrmSignalMonitor::SetAveraging(bool on) {
    analysis_.SetAveraging(on);
    const QSignalBlocker block(chkAveraging);
    chkAveraging->setChecked(on);
}

bool TfrmSignalMonitor::Paused() const {
    return btnPause->isChecked();
}

void TfrmSignalMonitor::SetPaused(bool paused) {
    {
        const QSignalBlocker block(btnPause);
        btnPause->setChecked(paused);
    }
    Follow();
}

void TfrmSignalMonitor::Follow() {
    const bool seen = isVisible() && !isMinimized();
    if (seen && !attached_) {
        // What was queued while the window was not seen was not copied: it reads as silence.
        ring_.Restart();
        session_.AttachMonitor(&ring_);
        attached_ = true;
    } else if (!seen && attached_) {
        session_.AttachMonitor(nullptr);
        attached_ = false;
    }
    if (seen && !Paused()) {
        if (!timer_.isActive()) {
            clock_.start();
            timer_.start();
            Renew();
        }
    } else {
        timer_.stop();
    }
}

double TfrmSignalMonitor::StreamRate() const {
    return session_.Playing() ? session_.Output().FrameRate() : session_.Controls().SampleRate();
}

double TfrmSignalMonitor::ScopeFrequency() const {
    const Generator& g = session_.Controls();
    const bool periodic = g.Index(IndexField::WaveFormLeft) <= SAWTOOTH;
    if (!periodic || !g.Flag(FlagField::chkConstantLeft))
        return 0;
    return g.State().Of(Channel::Left).Increment * StreamRate() / (2 * std::numbers::pi);
}

void TfrmSignalMonitor::Renew() {
    const double fs = StreamRate();
    if (fs != analysis_.Rate())
        analysis_.SetRate(fs);
    const qint64 elapsedMs = clock_.restart();
    int64_t position;
    if (session_.Playing() && !session_.Paused()) {
        position = session_.MonitorPlayingFrame();
        stoppedAt_ = ring_.Written();
    } else {
        // Nothing is heard: the picture runs on in silence after the last queued frame.
        stoppedAt_ = std::max(stoppedAt_, ring_.Written()) +
                     static_cast<int64_t>(std::llround(fs * static_cast<double>(elapsedMs) / 1000));
        position = stoppedAt_;
    }
    const double scopeHz = session_.Playing() ? ScopeFrequency() : 0;
    analysis_.Update(ring_, position, scopeHz, renewals_++ % RenewalsPerSpectrum == 0);
    const double ms = 1000.0 * static_cast<double>(analysis_.ScopeSpan()) / fs;
    view_->SetTimeBaseText(analysis_.Triggered() ? tr("%1 periods of %2 Hz, %3 ms")
                                                       .arg(ScopeTrace::Periods)
                                                       .arg(scopeHz, 0, 'f', 1)
                                                       .arg(ms, 0, 'g', 3)
                                                 : tr("free run, %1 ms").arg(ms, 0, 'g', 3));
    view_->update();
}

QImage TfrmSignalMonitor::Picture() const {
    return view_->grab().toImage();
}

void TfrmSignalMonitor::CopyPicture() {
    QApplication::clipboard()->setImage(Picture());
}

bool TfrmSignalMonitor::SavePicture() {
    UserDialogs::FileRequest request;
    request.Title = tr("Save the monitor's picture");
    request.Proposed = QStringLiteral("signal-monitor.png");
    request.Filter = tr("PNG image (*.png)");
    request.DefaultSuffix = QStringLiteral("png");
    const QString path = dialogs_.SaveFileName(request);
    if (path.isEmpty())
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Picture().save(&buffer, "PNG");
    FileReplacement file;
    if (file.Open(path.toStdString()) &&
        file.Write(bytes.constData(), static_cast<size_t>(bytes.size())) && file.Commit())
        return true;
    dialogs_.Error(tr("The picture could not be written to %1:\n%2")
                       .arg(path, QString::fromStdString(file.Reason())));
    return false;
}

void TfrmSignalMonitor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Follow();
}

void TfrmSignalMonitor::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    Follow();
}

void TfrmSignalMonitor::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Follow();
}

// Only the user's close clears the View mark: the program's end closes every window too, and
// the mark must then still say that the monitor was open.
void TfrmSignalMonitor::closeEvent(QCloseEvent* event) {
    event->accept();
    if (event->spontaneous())
        emit Closed();
}

void TfrmSignalMonitor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        emit Closed();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quavril
