#pragma once
#include "synth/ControlFields.h"

#include <QObject>
#include <array>
#include <string>

class QAbstractButton;
class QComboBox;
class QRadioButton;
class QSlider;

namespace quavril {

class ExitLineEdit;
class Generator;

// Connects the generator's controls to their widgets, in both directions.
//
// User input goes to the generator as the control's own event: typing runs the edit's change
// handler, leaving it its exit handler, a click on a check box or radio button its click
// handler, a choice in a list the list's change handler, moving an amplitude slider the
// slider's change handler. Values the generator writes itself (validation, resets, other
// windows' commands) come back through Mirror*, which shows them without running anything.
//
// The frequency fields take "k", "M" and "Hz" after the number as they are typed ("1k" plays
// 1000 Hz at once); they show long values rounded to 5 decimals; and after a refused text
// (reported when the field is left) they show the frequency in force again.
class GeneratorBinding : public QObject {
    Q_OBJECT
public:
    explicit GeneratorBinding(Generator& generator, QObject* parent = nullptr);

    void BindEdit(TextField field, ExitLineEdit* edit);
    void BindCheck(FlagField field, QAbstractButton* box);
    // The constant/sweep radio pair of a channel, bound to its constant flag.
    void BindConstantPair(FlagField field, QRadioButton* constant, QRadioButton* sweep);
    // A list; the handler the user's choice runs after the position is stored.
    void BindList(IndexField field, QComboBox* list);
    void BindAmplitudeBar(IndexField field, QSlider* bar);

    void MirrorText(TextField field, const std::string& text);
    void MirrorFlag(FlagField field, bool value);
    void MirrorIndex(IndexField field, int value);
    // Shows every control value of the generator (after building the window).
    void MirrorAll();

private:
    void ListChosen(IndexField field, int index);
    void Typed(TextField field, const QString& text);
    void Left(TextField field);

    Generator& generator_;
    std::array<ExitLineEdit*, TextFieldCount> edits_{};
    std::array<QAbstractButton*, FlagFieldCount> checks_{};
    std::array<QRadioButton*, FlagFieldCount> sweeps_{}; // the sweep partner of a constant flag
    std::array<QComboBox*, IndexFieldCount> lists_{};
    std::array<QSlider*, IndexFieldCount> bars_{};
    // The last readable text of each frequency field: what plays.
    std::array<std::string, TextFieldCount> inForce_{};
    int typing_ = -1; // the field whose typed text goes to the generator now
};

} // namespace quavril
