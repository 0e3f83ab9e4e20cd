#pragma once
#include "synth/Enumerations.h"

#include <QObject>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace quavril {

class DesignLayout;
class ExitLineEdit;
class PressButton;

// The frequency group of one channel panel: constant frequency or sweep, the initial and final
// frequency fields, the sweep options and the four step buttons (+1 Hz, -1 Hz, one semitone up
// and down). The widgets carry the control names; the window binds them to the generator.
class FrequencyGroup : public QObject {
    Q_OBJECT
public:
    FrequencyGroup(Channel channel, DesignLayout& layout, QWidget* panel);

    QGroupBox* Box;
    QRadioButton* chkConstant;
    QRadioButton* chkSweep;
    QLabel* FromLabel;       // Label5 / Label21
    ExitLineEdit* fInit;     // the frequency itself in constant mode, Hz
    QLabel* fInitHz;         // Label6 / Label23
    QLabel* ToLabel;         // Label7 / Label24
    ExitLineEdit* fFinal;    // Hz
    QLabel* fFinalHz;        // Label8 / Label25
    PressButton* fInitPlus;  // +1 Hz on the press of any mouse button
    PressButton* fInitMinus; // -1 Hz
    QPushButton* SemiUp;     // one equal-tempered semitone up, on a click
    QPushButton* SemiDown;
    QCheckBox* Logarithmic;
    QCheckBox* Bidirectional;

    // Constant mode shows the step buttons, sweep mode the final field and the sweep options.
    void ShowMode(bool constant);

private:
    void BuildModeButtons(const QString& side, DesignLayout& layout);
    void BuildFields(Channel channel, const QString& side, DesignLayout& layout);
    void BuildStepButtons(const QString& side, DesignLayout& layout);
    void BuildSweepOptions(const QString& side, DesignLayout& layout);
};

} // namespace quavril
