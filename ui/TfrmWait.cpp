#include "ui/TfrmWait.h"

#include "ui/ApplicationTitle.h"
#include "ui/HelpViewer.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace quavril {

TfrmWait::TfrmWait(WaveFileWriter& writer, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), writer_(writer),
      mainWindow_(mainWindow) {
    setObjectName("frmWait");
    HelpViewer::SetContext(this, HelpViewer::FileMenu);
    setWindowTitle(QString::fromLatin1(ApplicationTitle::ProductName));
    Label1 = new QLabel(tr("Please wait while the wave file is written."), this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    Button1 = new QPushButton(tr("Cancel"), this);
    Button1->setObjectName("Button1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    setFixedWidth(280);
    connect(Button1, &QPushButton::clicked, this, [this] { writer_.ExportCancelled = true; });
}

void TfrmWait::ExportStarted() {
    ProgressBar1->setValue(0);
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    adjustSize();
    WindowPlacement::StandOver(this, mainWindow_);
    show();
    raise();
    if (mainWindow_)
        mainWindow_->repaint();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(100);
}

bool TfrmWait::ProgressVisible() const {
    return isVisible();
}

void TfrmWait::ExportProgress(int percent) {
    ProgressBar1->setValue(percent);
    QApplication::processEvents();
}

void TfrmWait::ExportFinished() {
    hide();
    if (mainWindow_) {
        mainWindow_->setEnabled(true);
        mainWindow_->raise();
        mainWindow_->activateWindow();
    }
}

void TfrmWait::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Button1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quavril
