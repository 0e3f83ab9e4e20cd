#include "ui/FrequencyGroup.h"

#include "ui/DesignLayout.h"
#include "ui/ExitLineEdit.h"
#include "ui/PressButton.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace quavril {

namespace {
QLabel* NewLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* NewStepButton(QPushButton* button, const QString& name, const QString& hint) {
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}
} // namespace

FrequencyGroup::FrequencyGroup(Channel channel, DesignLayout& layout, QWidget* panel)
    : QObject(panel) {
    const bool left = channel == Channel::Left;
    const QString side = left ? "Left" : "Right";
    Box = new QGroupBox(tr("Frequency"), panel);
    Box->setObjectName(left ? "GroupBox3" : "GroupBox11");
    layout.Place(Box, 8, 60, 204, 105);
    BuildModeButtons(side, layout);
    BuildFields(channel, side, layout);
    BuildStepButtons(side, layout);
    BuildSweepOptions(side, layout);
    ShowMode(true);
}

void FrequencyGroup::BuildModeButtons(const QString& side, DesignLayout& layout) {
    chkConstant = new QRadioButton(tr("Constant"), Box);
    chkConstant->setObjectName("chkConstant" + side);
    chkConstant->setToolTip(tr("Constant frequency"));
    chkSweep = new QRadioButton(tr("Sweep"), Box);
    chkSweep->setObjectName("chkSweep" + side);
    chkSweep->setToolTip(tr("Sweep from the initial to the final frequency"));
    auto* pair = new QButtonGroup(this);
    pair->addButton(chkConstant);
    pair->addButton(chkSweep);
    chkConstant->setChecked(true);
    layout.Place(chkConstant, 8, 17, 66, 14);
    layout.Place(chkSweep, 88, 17, 62, 14);
}

void FrequencyGroup::BuildFields(Channel channel, const QString& side, DesignLayout& layout) {
    const bool left = channel == Channel::Left;
    FromLabel = NewLabel(tr("from"), left ? "Label5" : "Label21", Box);
    ToLabel = NewLabel(tr("to"), left ? "Label7" : "Label24", Box);
    fInitHz = NewLabel("Hz", left ? "Label6" : "Label23", Box);
    fFinalHz = NewLabel("Hz", left ? "Label8" : "Label25", Box);
    fInit = new ExitLineEdit("100", Box);
    fInit->setObjectName("fInit" + side);
    QFont larger = fInit->font();
    larger.setPointSizeF(larger.pointSizeF() * 9.0 / 8.0);
    fInit->setFont(larger);
    fInit->setStatusTip(tr("Initial frequency in Hz (the frequency itself when constant)"));
    fFinal = new ExitLineEdit("1000", Box);
    fFinal->setObjectName("fFinal" + side);
    fFinal->setStatusTip(tr("Final frequency of the sweep in Hz"));
    fInit->FitTextToWidth();
    fFinal->FitTextToWidth();
    layout.Place(FromLabel, 8, 34);
    layout.Place(fInit, 8, 46, 55, 24);
    layout.Place(fInitHz, 66, 49);
    layout.Place(ToLabel, 88, 34);
    layout.Place(fFinal, 88, 46, 49, 24);
    layout.Place(fFinalHz, 139, 50);
}

void FrequencyGroup::BuildStepButtons(const QString& side, DesignLayout& layout) {
    fInitPlus = new PressButton("+", Box);
    NewStepButton(fInitPlus, "fInit" + side + "Plus", tr("+ 1 Hz"));
    fInitMinus = new PressButton("-", Box);
    NewStepButton(fInitMinus, "fInit" + side + "Minus", tr("- 1 Hz"));
    SemiUp = NewStepButton(new QPushButton("#", Box), "SemiUp" + side, tr("One semitone up"));
    SemiDown = NewStepButton(new QPushButton("b", Box), "SemiDown" + side, tr("One semitone down"));
    QFont italic = SemiUp->font();
    italic.setItalic(true);
    SemiUp->setFont(italic);
    SemiDown->setFont(italic);
    layout.Place(fInitPlus, 83, 41, 35, 16);
    layout.Place(fInitMinus, 83, 57, 35, 15);
    layout.Place(SemiUp, 119, 41, 35, 16);
    layout.Place(SemiDown, 119, 57, 35, 15);
}

void FrequencyGroup::BuildSweepOptions(const QString& side, DesignLayout& layout) {
    Logarithmic = new QCheckBox(tr("Logarithmic"), Box);
    Logarithmic->setObjectName("Logarithmic" + side);
    Logarithmic->setToolTip(tr("Logarithmic sweep (same time for every octave)"));
    Bidirectional = new QCheckBox(tr("Bidirectional"), Box);
    Bidirectional->setObjectName("Bidirectional" + side);
    Bidirectional->setToolTip(tr("When looping, sweep back and forth"));
    layout.Place(Logarithmic, 8, 76, 78);
    layout.Place(Bidirectional, 88, 76, 110);
}

void FrequencyGroup::ShowMode(bool constant) {
    for (QWidget* w : {static_cast<QWidget*>(FromLabel), static_cast<QWidget*>(ToLabel),
                       static_cast<QWidget*>(fFinalHz), static_cast<QWidget*>(Logarithmic),
                       static_cast<QWidget*>(Bidirectional), static_cast<QWidget*>(fFinal)})
        w->setVisible(!constant);
    for (QWidget* w : {static_cast<QWidget*>(SemiUp), static_cast<QWidget*>(SemiDown),
                       static_cast<QWidget*>(fInitMinus), static_cast<QWidget*>(fInitPlus)})
        w->setVisible(constant);
}

} // namespace quavril
