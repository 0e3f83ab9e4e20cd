#pragma once
#include "synth/Enumerations.h"

#include <QWidget>

class QLabel;
class QSlider;

namespace quavril {

class ExitLineEdit;
class GeneratorSession;

// The frequency slider window: two long logarithmic sliders tuning the constant frequency of
// the left (or mono) and the right channel, the limits of both sliders below them and the
// rounding step of the left slider. A view of the session's slider values: moving a slider
// writes the channel's initial frequency, and a typed frequency moves its slider without
// running the slider's handler. Created hidden at start; closing only hides it.
class TfrmFreqSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr int MinimumWidth = 275; // pixels

    explicit TfrmFreqSlider(GeneratorSession& session, QWidget* parent = nullptr);

    // Handlers, run by the user's moves and by leaving the fields.
    void FreqSliderLeftChange(int position);
    void FreqSliderRightChange(int position);
    void MinFreqEditExit();
    void MaxFreqEditExit();
    void txtRoundExit();

    // What the stored settings keep. The texts are put back without running the exit
    // handlers: the range follows them when the user next leaves a field.
    QString MinFreqText() const;
    QString MaxFreqText() const;
    QString RoundText() const;
    void SetFieldTexts(const QString& minFreq, const QString& maxFreq, const QString& round);
    // The height the layout fixes (the bottom of the rounding row + 10).
    int FixedHeight() const { return fixedHeight_; }

    QLabel* Label1;
    QSlider* FreqSliderLeft;
    QLabel* Label2;
    QSlider* FreqSliderRight;
    ExitLineEdit* MinFreqEdit;
    ExitLineEdit* MaxFreqEdit;
    QLabel* Label3;
    ExitLineEdit* txtRound;
    QLabel* Label4;

signals:
    // The user closed the window (the View item's check mark is cleared).
    void Closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSlider* NewSlider(const QString& name);
    ExitLineEdit* NewEdit(const QString& name, int width);
    void ConnectSession();
    // Range, positions, enabling and field texts from the session, running no handler.
    void ShowLimits();
    void ShowPosition(Channel c, int position);
    void ShowRightEnabled();
    // Places the controls for a width; returns the height the window must have.
    int FormResize(int width);

    GeneratorSession& session_;
    int fixedHeight_ = 0;
};

} // namespace quavril
