#include "ui/TfrmFrequencyDisplay.h"

#include "session/GeneratorSession.h"
#include "synth/ListItems.h"
#include "synth/NumberText.h"
#include "ui/HelpViewer.h"

#include <QCloseEvent>
#include <QLabel>
#include <QResizeEvent>
#include <cmath>

namespace quavril {

TfrmFrequencyDisplay::TfrmFrequencyDisplay(GeneratorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint),
      session_(session) {
    setObjectName("frmFrequencyDisplay");
    HelpViewer::SetContext(this, HelpViewer::FrequencyDisplay);
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

// The generator separates the channels by a carriage return. A channel playing noise,
// silence or a pulse has no frequency: its line shows the waveform's name instead.
void TfrmFrequencyDisplay::ShowText(const QString& text) {
    QStringList lines = text.split('\r');
    const Generator& controls = session_.Controls();
    for (int i = 0; i < lines.size() && i < 2; ++i) {
        const int waveform = controls.Settings(i == 0 ? Channel::Left : Channel::Right).WaveForm;
        if (waveform >= WHITE) {
            const std::string_view name = WaveformName(waveform);
            lines[i] = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        }
    }
    lblDisplay->setText(lines.join('\n'));
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

} // namespace quavril
