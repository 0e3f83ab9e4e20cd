#include "ui/TfrmFreqSlider.h"

#include "session/GeneratorSession.h"
#include "ui/ExitLineEdit.h"
#include "ui/HelpViewer.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

namespace quavril {

namespace {
constexpr int Margin = 8; // pixels
constexpr int Gap = 4;

QLabel* NewLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}
} // namespace

TfrmFreqSlider::TfrmFreqSlider(GeneratorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session) {
    setObjectName("frmFreqSlider");
    HelpViewer::SetContext(this, HelpViewer::FrequencySlider);
    setWindowTitle(tr("Constant frequency"));
    Label1 = NewLabel(tr("Left / mono"), "Label1", this);
    FreqSliderLeft = NewSlider("FreqSliderLeft");
    Label2 = NewLabel(tr("Right channel"), "Label2", this);
    FreqSliderRight = NewSlider("FreqSliderRight");
    MinFreqEdit = NewEdit("MinFreqEdit", 60);
    MinFreqEdit->setToolTip(tr("Lowest frequency of both sliders, Hz"));
    MaxFreqEdit = NewEdit("MaxFreqEdit", 60);
    MaxFreqEdit->setToolTip(tr("Highest frequency of both sliders, Hz"));
    Label3 = NewLabel(tr("Round to nearest multiple of"), "Label3", this);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtRound = NewEdit("txtRound", 50);
    txtRound->setToolTip(tr("Rounding step of the left slider, Hz"));
    Label4 = NewLabel(tr("Hz"), "Label4", this);
    setTabOrder(FreqSliderLeft, MinFreqEdit);
    setTabOrder(MinFreqEdit, MaxFreqEdit);
    setTabOrder(MaxFreqEdit, FreqSliderRight);
    setTabOrder(FreqSliderRight, txtRound);
    ConnectSession();
    ShowLimits();
    for (Channel c : {Channel::Left, Channel::Right})
        ShowPosition(c, session_.Slider().Position[static_cast<size_t>(c)]);
    ShowRightEnabled();
    const int width = 420;
    resize(width, FormResize(width));
    // The first position is the screen's centre.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QSlider* TfrmFreqSlider::NewSlider(const QString& name) {
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(name);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setPageStep(100);
    slider->setToolTip(tr("Frequency on a logarithmic scale: 1000 steps a decade"));
    return slider;
}

ExitLineEdit* TfrmFreqSlider::NewEdit(const QString& name, int width) {
    auto* edit = new ExitLineEdit(this);
    edit->setObjectName(name);
    edit->setFixedWidth(width);
    edit->installEventFilter(this);
    return edit;
}

void TfrmFreqSlider::ConnectSession() {
    // The slider's change handlers run for the user's moves only: the program sets
    // positions under a signal blocker.
    connect(FreqSliderLeft, &QSlider::valueChanged, this, &TfrmFreqSlider::FreqSliderLeftChange);
    connect(FreqSliderRight, &QSlider::valueChanged, this, &TfrmFreqSlider::FreqSliderRightChange);
    connect(MinFreqEdit, &ExitLineEdit::Exited, this, &TfrmFreqSlider::MinFreqEditExit);
    connect(MaxFreqEdit, &ExitLineEdit::Exited, this, &TfrmFreqSlider::MaxFreqEditExit);
    connect(txtRound, &ExitLineEdit::Exited, this, &TfrmFreqSlider::txtRoundExit);
    FrequencySliderModel& model = session_.Slider();
    connect(MinFreqEdit, &QLineEdit::textEdited, this,
            [&model](const QString& text) { model.MinFreqEdit = text.toStdString(); });
    connect(MaxFreqEdit, &QLineEdit::textEdited, this,
            [&model](const QString& text) { model.MaxFreqEdit = text.toStdString(); });
    connect(txtRound, &QLineEdit::textEdited, this,
            [&model](const QString& text) { model.txtRound = text.toStdString(); });
    connect(&session_, &GeneratorSession::SliderMoved, this, &TfrmFreqSlider::ShowPosition);
    connect(&session_, &GeneratorSession::SliderLimitsChanged, this, &TfrmFreqSlider::ShowLimits);
    connect(&session_, &GeneratorSession::ChannelsRefreshed, this,
            &TfrmFreqSlider::ShowRightEnabled);
}

// --- Handlers ----------------------------------------------------------------------------------

void TfrmFreqSlider::FreqSliderLeftChange(int position) {
    session_.FreqSliderChange(Channel::Left, position);
}

void TfrmFreqSlider::FreqSliderRightChange(int position) {
    session_.FreqSliderChange(Channel::Right, position);
}

void TfrmFreqSlider::MinFreqEditExit() {
    session_.Slider().MinFreqEdit = MinFreqEdit->text().toStdString();
    session_.MinFreqEditExit();
}

void TfrmFreqSlider::MaxFreqEditExit() {
    session_.Slider().MaxFreqEdit = MaxFreqEdit->text().toStdString();
    session_.MaxFreqEditExit();
}

void TfrmFreqSlider::txtRoundExit() {
    session_.Slider().txtRound = txtRound->text().toStdString();
    session_.txtRoundExit();
}

// --- What the stored settings keep ------------------------------------------------------------

QString TfrmFreqSlider::MinFreqText() const {
    return MinFreqEdit->text();
}

QString TfrmFreqSlider::MaxFreqText() const {
    return MaxFreqEdit->text();
}

QString TfrmFreqSlider::RoundText() const {
    return txtRound->text();
}

void TfrmFreqSlider::SetFieldTexts(const QString& minFreq, const QString& maxFreq,
                                   const QString& round) {
    FrequencySliderModel& model = session_.Slider();
    model.MinFreqEdit = minFreq.toStdString();
    model.MaxFreqEdit = maxFreq.toStdString();
    model.txtRound = round.toStdString();
    ShowLimits();
}

// --- Following the session ---------------------------------------------------------------------

void TfrmFreqSlider::ShowLimits() {
    const FrequencySliderModel& model = session_.Slider();
    for (QSlider* slider : {FreqSliderLeft, FreqSliderRight}) {
        const QSignalBlocker blocker(slider);
        slider->setRange(model.Minimum, model.Maximum);
        slider->setTickInterval(model.Maximum - model.Minimum); // marks at both ends only
    }
    ShowPosition(Channel::Left, model.Position[0]);
    ShowPosition(Channel::Right, model.Position[1]);
    const auto show = [](ExitLineEdit* edit, const std::string& text) {
        const QString shown = QString::fromStdString(text);
        if (edit->text() != shown) {
            edit->setText(shown);
            edit->setCursorPosition(0);
        }
    };
    show(MinFreqEdit, model.MinFreqEdit);
    show(MaxFreqEdit, model.MaxFreqEdit);
    show(txtRound, model.txtRound);
}

void TfrmFreqSlider::ShowPosition(Channel c, int position) {
    QSlider* slider = c == Channel::Left ? FreqSliderLeft : FreqSliderRight;
    const QSignalBlocker blocker(slider);
    slider->setValue(position);
}

void TfrmFreqSlider::ShowRightEnabled() {
    FreqSliderRight->setEnabled(session_.Slider().RightEnabled);
}

// --- Layout -----------------------------------------------------------------------------------

// Sliders across the whole width, the limits below them at both ends, the rounding row last.
int TfrmFreqSlider::FormResize(int width) {
    const int labelHeight = Label1->sizeHint().height();
    const int sliderHeight = FreqSliderLeft->sizeHint().height();
    const int editHeight = MinFreqEdit->sizeHint().height();
    const int sliderWidth = width - 15;
    int y = Gap;
    Label1->setGeometry(Margin, y, sliderWidth - Margin, labelHeight);
    y += labelHeight;
    FreqSliderLeft->setGeometry(0, y, sliderWidth, sliderHeight);
    y += sliderHeight + Gap;
    Label2->setGeometry(Margin, y, sliderWidth - Margin, labelHeight);
    y += labelHeight;
    FreqSliderRight->setGeometry(0, y, sliderWidth, sliderHeight);
    y += sliderHeight + Gap;
    MinFreqEdit->move(Margin, y);
    MinFreqEdit->resize(MinFreqEdit->width(), editHeight);
    MaxFreqEdit->move(width - 75, y);
    MaxFreqEdit->resize(MaxFreqEdit->width(), editHeight);
    y += editHeight + 2 * Gap;
    const int hzWidth = Label4->sizeHint().width();
    const int roundX = MinimumWidth - 2 * Margin - hzWidth - Gap - txtRound->width();
    Label3->setGeometry(Margin, y, roundX - Gap - Margin, editHeight);
    txtRound->move(roundX, y);
    txtRound->resize(txtRound->width(), editHeight);
    Label4->setGeometry(roundX + txtRound->width() + Gap, y, hzWidth, editHeight);
    fixedHeight_ = Label3->geometry().bottom() + 1 + 10;
    return fixedHeight_;
}

// The user sets the width only, never below the minimum; the height stays fixed. Enforced
// here as well as by the size limits, because a bare X server has no manager applying them.
void TfrmFreqSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize asked = event->size();
    const int width = std::max(asked.width(), MinimumWidth);
    const int height = FormResize(width);
    setMinimumSize(MinimumWidth, height);
    setMaximumHeight(height);
    if (asked.width() != width || asked.height() != height || size() != QSize(width, height))
        resize(width, height);
}

void TfrmFreqSlider::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const int width = std::max(this->width(), MinimumWidth);
    resize(width, FormResize(width));
}

void TfrmFreqSlider::closeEvent(QCloseEvent* event) {
    event->accept();
    emit Closed();
}

// Enter in any of the three fields makes the left slider the active control (the field is
// left, so its exit handler runs).
bool TfrmFreqSlider::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        (watched == MinFreqEdit || watched == MaxFreqEdit || watched == txtRound)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            FreqSliderLeft->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quavril
