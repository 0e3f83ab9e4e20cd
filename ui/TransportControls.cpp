#include "ui/TransportControls.h"

#include "session/GeneratorSession.h"
#include "ui/ClickableLabel.h"
#include "ui/DesignLayout.h"
#include "ui/StatusLamp.h"

#include <QCheckBox>
#include <QPushButton>

namespace quavril {

namespace {
QPushButton* NewButton(const QString& text, const char* name, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    return button;
}
} // namespace

TransportControls::TransportControls(DesignLayout& layout, QWidget* client) : QObject(client) {
    chkSync = new QCheckBox(tr("Sync all generators"), client);
    chkSync->setObjectName("chkSync");
    chkSync->setToolTip(tr("Switch every generator window on and off together"));
    layout.Place(chkSync, 325, 378, 114, 13);
    btnOFF = NewButton(tr("Off"), "btnOFF", tr("Switch the generator off"), client);
    btnPause =
        NewButton(tr("Pause"), "btnPause", tr("Hold the output; click again to go on"), client);
    btnON = NewButton(tr("On"), "btnON", tr("Switch the generator on"), client);
    layout.Place(btnOFF, 326, 394, 32, 23);
    layout.Place(btnPause, 360, 394, 43, 23);
    layout.Place(btnON, 404, 394, 32, 23);
    SetDefaultButton(btnON);
    LED = new StatusLamp(client);
    LED->setObjectName("LED");
    // The lamp reaches from 3 px above the On button to 3 px below it.
    layout.Place(LED, 443, 394 - 3, 18, 23 + 6);
    lblFS = new ClickableLabel(client);
    lblFS->setObjectName("lblFS");
    lblFS->setToolTip(tr("Sample rate: click for the output settings"));
    lblFS->setCursor(Qt::PointingHandCursor);
    QFont small = lblFS->font();
    small.setPointSizeF(small.pointSizeF() * 9.0 / 11.0);
    lblFS->setFont(small);
    lblFS->setText(GeneratorSession::SampleRateText(44100));
    layout.Place(lblFS, 323, 420);
}

void TransportControls::Follow(GeneratorSession& session) {
    connect(chkSync, &QCheckBox::clicked, &session, &GeneratorSession::SetSync);
    connect(&session, &GeneratorSession::SyncChanged, chkSync, &QCheckBox::setChecked);
    connect(&session, &GeneratorSession::RunningChanged, this, &TransportControls::ShowRunning);
    connect(&session, &GeneratorSession::PausedChanged, this, &TransportControls::ShowPaused);
    connect(&session, &GeneratorSession::StartAttempted, this, [this] { btnOFF->setFocus(); });
    connect(&session, &GeneratorSession::SampleRateChanged, this,
            &TransportControls::ShowSampleRate);
}

void TransportControls::SetDefaultButton(QPushButton* button) {
    for (QPushButton* b : {btnON, btnOFF})
        b->setDefault(b == button);
}

void TransportControls::ShowSampleRate(int32_t fs) {
    lblFS->setText(GeneratorSession::SampleRateText(fs));
    lblFS->adjustSize();
}

void TransportControls::ShowRunning(bool running) {
    SetDefaultButton(running ? btnOFF : btnON);
    LED->SetColour(running ? StatusLamp::On : StatusLamp::Off);
}

void TransportControls::ShowPaused(bool paused) {
    QFont f = btnPause->font();
    f.setBold(paused);
    btnPause->setFont(f);
}

} // namespace quavril
