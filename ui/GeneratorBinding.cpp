#include "ui/GeneratorBinding.h"

#include "session/FrequencyEntry.h"
#include "synth/Generator.h"
#include "synth/NumberText.h"
#include "ui/ExitLineEdit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

namespace quavril {

namespace {
int Slot(TextField f) {
    return static_cast<int>(f);
}
int Slot(FlagField f) {
    return static_cast<int>(f);
}
int Slot(IndexField f) {
    return static_cast<int>(f);
}
bool IsFrequency(TextField f) {
    return f == TextField::fInitLeft || f == TextField::fFinalLeft || f == TextField::fInitRight ||
           f == TextField::fFinalRight;
}
} // namespace

GeneratorBinding::GeneratorBinding(Generator& generator, QObject* parent)
    : QObject(parent), generator_(generator) {}

void GeneratorBinding::BindEdit(TextField field, ExitLineEdit* edit) {
    edits_[Slot(field)] = edit;
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& text) { Typed(field, text); });
    connect(edit, &ExitLineEdit::Exited, this, [this, field] { Left(field); });
}

// The text goes to the generator as its change handler wants it ("1k" as "1000"); the field
// keeps what the user typed until it is left.
void GeneratorBinding::Typed(TextField field, const QString& text) {
    std::string typed = text.toStdString();
    if (IsFrequency(field))
        typed = FrequencyEntry::Plain(typed);
    typing_ = Slot(field);
    generator_.SetText(field, typed);
    typing_ = -1;
}

void GeneratorBinding::Left(TextField field) {
    generator_.ExitEdit(field);
    const std::string& inForce = inForce_[Slot(field)];
    if (IsFrequency(field) && !ParsePlain(generator_.Text(field)) && !inForce.empty()) {
        // Refused (and reported): the field shows the frequency that plays.
        generator_.SetText(field, inForce);
        generator_.ExitEdit(field);
    }
}

void GeneratorBinding::BindCheck(FlagField field, QAbstractButton* box) {
    checks_[Slot(field)] = box;
    connect(box, &QAbstractButton::clicked, this,
            [this, field](bool checked) { generator_.SetFlag(field, checked); });
}

void GeneratorBinding::BindConstantPair(FlagField field, QRadioButton* constant,
                                        QRadioButton* sweep) {
    checks_[Slot(field)] = constant;
    sweeps_[Slot(field)] = sweep;
    connect(constant, &QAbstractButton::clicked, this,
            [this, field] { generator_.SetFlag(field, true); });
    connect(sweep, &QAbstractButton::clicked, this,
            [this, field] { generator_.SetFlag(field, false); });
}

void GeneratorBinding::BindList(IndexField field, QComboBox* list) {
    lists_[Slot(field)] = list;
    connect(list, &QComboBox::activated, this,
            [this, field](int index) { ListChosen(field, index); });
}

void GeneratorBinding::BindAmplitudeBar(IndexField field, QSlider* bar) {
    bars_[Slot(field)] = bar;
    // Programmatic positions are set under a signal blocker, so this is the user's move.
    connect(bar, &QSlider::valueChanged, this, [this, field](int position) {
        generator_.SetIndex(field, position);
        generator_.AmplitudeBarChange(ChannelOf(field));
    });
}

void GeneratorBinding::ListChosen(IndexField field, int index) {
    generator_.SetIndex(field, index);
    switch (field) {
    case IndexField::WaveFormLeft:
    case IndexField::ModFunctionLeft:
    case IndexField::ModFunctionRight:
        // A modulation shape runs the left waveform's refresh, as its list shares the handler.
        generator_.WaveFormChange(Channel::Left);
        break;
    case IndexField::WaveFormRight:
        generator_.WaveFormChange(Channel::Right);
        break;
    case IndexField::cboChannels:
        generator_.ChannelsChange();
        break;
    default:
        break;
    }
}

void GeneratorBinding::MirrorText(TextField field, const std::string& text) {
    const bool frequency = IsFrequency(field);
    if (frequency && ParsePlain(text))
        inForce_[Slot(field)] = text;
    if (typing_ == Slot(field))
        return;
    ExitLineEdit* edit = edits_[Slot(field)];
    const QString shown = QString::fromStdString(frequency ? FrequencyEntry::Shown(text) : text);
    if (!edit || edit->text() == shown)
        return; // the user's own typing: keep the cursor where it is
    const QSignalBlocker blocker(edit);
    edit->setText(shown);
    edit->FitText();
    // A long number shows its start ("466.16375...", not "...57324219").
    edit->setCursorPosition(0);
}

void GeneratorBinding::MirrorFlag(FlagField field, bool value) {
    QAbstractButton* box = checks_[Slot(field)];
    if (!box)
        return;
    if (QRadioButton* sweep = sweeps_[Slot(field)]) {
        const QSignalBlocker a(box);
        const QSignalBlocker b(sweep);
        (value ? static_cast<QAbstractButton*>(box) : sweep)->setChecked(true);
        return;
    }
    const QSignalBlocker blocker(box);
    box->setChecked(value);
}

void GeneratorBinding::MirrorIndex(IndexField field, int value) {
    if (QComboBox* list = lists_[Slot(field)]) {
        const QSignalBlocker blocker(list);
        list->setCurrentIndex(value);
    }
    if (QSlider* bar = bars_[Slot(field)]) {
        const QSignalBlocker blocker(bar);
        bar->setValue(value);
    }
}

void GeneratorBinding::MirrorAll() {
    for (int i = 0; i < TextFieldCount; ++i) {
        const auto f = static_cast<TextField>(i);
        MirrorText(f, generator_.Text(f));
    }
    for (int i = 0; i < FlagFieldCount; ++i) {
        const auto f = static_cast<FlagField>(i);
        MirrorFlag(f, generator_.Flag(f));
    }
    for (int i = 0; i < IndexFieldCount; ++i) {
        const auto f = static_cast<IndexField>(i);
        MirrorIndex(f, generator_.Index(f));
    }
}

} // namespace quavril
