#include "ui/TfrmFrequencyDisplay.h"

#include "session/GeneratorSession.h"
#include "synth/NumberText.h"
#include "ui/HelpViewer.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QResizeEvent>
#include <cmath>

namespace quavril {

TfrmFrequencyDisplay::TfrmFrequencyDisplay(GeneratorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint),
      session_(session) {
    setObjectName("frmFrequencyDisplay");
    setWindowTitle(tr("Frequency"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, QColor(0, 255, 0));
    setPalette(black);
    lblDisplay = new QLabel(this);
    lblDisplay->setObjectName("lblDisplay");
    lblDisplay->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lblDisplay->setWordWrap(true);
    lblDisplay->setAttribute(Qt::WA_TranslucentBackground);
    QFont digits = lblDisplay->font();
    digits.setPixelSize(27);
    digits.setBold(true);
    lblDisplay->setFont(digits);
    connect(&session_, &GeneratorSession::FrequencyText, this, &TfrmFrequencyDisplay::ShowText);
    setMinimumSize(1, 1);
    resize(DesignWidth, DesignHeight);
    move(422, 147);
}

int TfrmFrequencyDisplay::FontPointsFor(int width) {
    return width / 9;
}

int TfrmFrequencyDisplay::HeightFor(int width, bool stereo) {
    return static_cast<int>(
        RoundEven(std::sqrt(static_cast<long double>(width)) * (stereo ? 12.0L : 6.0L)));
}

// The generator separates the channels by a carriage return.
void TfrmFrequencyDisplay::ShowText(const QString& text) {
    QString shown = text;
    shown.replace('\r', '\n');
    lblDisplay->setText(shown);
}

void TfrmFrequencyDisplay::FormResize(int width) {
    QFont digits = lblDisplay->font();
    const int points = std::max(1, FontPointsFor(width));
    if (digits.pointSize() != points) {
        digits.setPointSize(points);
        lblDisplay->setFont(digits);
    }
    // No channel mode chosen yet counts as stereo.
    const bool stereo = session_.Controls().Mode() != MONO;
    const int height = HeightFor(width, stereo);
    if (this->height() != height || this->width() != width)
        resize(width, height);
}

void TfrmFrequencyDisplay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    lblDisplay->setGeometry(rect());
    FormResize(event->size().width());
}

void TfrmFrequencyDisplay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    session_.SetDisplayVisible(true);
}

void TfrmFrequencyDisplay::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    session_.SetDisplayVisible(false);
}

void TfrmFrequencyDisplay::closeEvent(QCloseEvent* event) {
    event->accept();
    emit Closed();
}

void TfrmFrequencyDisplay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        HelpViewer::Instance().ShowContext(HelpViewer::FrequencyDisplay);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quavril
