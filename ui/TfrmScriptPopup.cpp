#include "ui/TfrmScriptPopup.h"

#include "ui/ApplicationTitle.h"
#include "ui/HelpViewer.h"
#include "ui/UserDialogs.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quavril {

TfrmScriptPopup::TfrmScriptPopup(UserDialogs& dialogs, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Tool), dialogs_(dialogs), mainWindow_(mainWindow) {
    setObjectName("frmScriptPopup");
    HelpViewer::SetContext(this, HelpViewer::Scripts);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFixedWidth(240);
    Button1 = new QPushButton(tr("End after this line"), this);
    Button1->setObjectName("Button1");
    Button1->setToolTip(tr("Close this window; the current line plays to its end, then the "
                           "script ends"));
    Button2 = new QPushButton(tr("End now"), this);
    Button2->setObjectName("Button2");
    Button2->setToolTip(tr("End the current wait and the script now; a signal that plays keeps "
                           "playing"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button1, &QPushButton::clicked, this, &QWidget::close);
    connect(Button2, &QPushButton::clicked, this, &TfrmScriptPopup::StopRequested);
}

void TfrmScriptPopup::SetMainWindowEnabled(bool enabled) {
    if (!mainWindow_)
        return;
    mainWindow_->setEnabled(enabled);
    // A hidden main window (script started from the command line) stays hidden.
    if (enabled && mainWindow_->isVisible()) {
        mainWindow_->raise();
        mainWindow_->activateWindow();
    }
}

// Over the generator window and kept above it while the script runs, also after a message box
// of the script was answered and the (disabled) generator window was activated again.
void TfrmScriptPopup::ShowPopup() {
    adjustSize();
    WindowPlacement::StandOver(this, mainWindow_);
    show();
    raise();
}

void TfrmScriptPopup::HidePopup() {
    hide();
}

void TfrmScriptPopup::SetLabel(const std::string& text) {
    Label1->setText(QString::fromStdString(text));
}

void TfrmScriptPopup::ShowInformation(const std::string& text) {
    dialogs_.Information(QString::fromStdString(text));
}

void TfrmScriptPopup::ShowError(const std::string& text) {
    dialogs_.Error(QString::fromStdString(text));
}

void TfrmScriptPopup::showEvent(QShowEvent* event) {
    setWindowTitle(QStringLiteral("QVL %1 Script").arg(ApplicationTitle::VersionText));
    QWidget::showEvent(event);
}

void TfrmScriptPopup::closeEvent(QCloseEvent* event) {
    event->accept();
    emit CloseRequested();
}

} // namespace quavril
