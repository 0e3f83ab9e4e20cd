#pragma once
#include "analysis/MonitorRing.h"
#include "analysis/SignalAnalysis.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace quavril {

class GeneratorSession;
class SignalMonitorView;
class UserDialogs;

// The signal monitor window: meters, oscilloscope and spectrum of the samples the device is
// playing now. While it is shown (not hidden, not minimised) the session copies every queued
// buffer into the window's ring and the picture is renewed at most 30 times a second, from
// the frame the device plays (the newest queued frame less the device's delay). Hidden or
// minimised, nothing is copied or computed. Pause freezes the picture; the picture can be
// copied to the clipboard or saved as a PNG file. Created hidden at start; closing only hides
// it.
class TfrmSignalMonitor : public QWidget {
    Q_OBJECT
public:
    static constexpr int UpdatesPerSecond = 30;
    // The spectra are analysed at every second renewal (15 times a second).
    static constexpr int RenewalsPerSpectrum = 2;
    static constexpr int DesignWidth = 760;
    static constexpr int DesignHeight = 560;
    // The FFT sizes of the list.
    static constexpr int FftSizes[] = {8192, 16384, 32768, 65536};

    TfrmSignalMonitor(GeneratorSession& session, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmSignalMonitor() override;

    // The analysis is renewed (not paused, shown and not minimised).
    bool Running() const { return timer_.isActive(); }
    const SignalAnalysis& Analysis() const { return analysis_; }
    SignalMonitorView* View() const { return view_; }

    int FftSize() const { return analysis_.FftSize(); }
    void SetFftSize(int size);
    bool Averaging() const { return analysis_.Averaging(); }
    void SetAveraging(bool on);
    bool Paused() const;
    void SetPaused(bool paused);

    // The picture as shown.
    QImage Picture() const;
    void CopyPicture();
    // Asks for a file name and writes the picture there as PNG. False when cancelled or not
    // written (the reason is shown).
    bool SavePicture();

    // One renewal of the picture, as the timer does it.
    void Renew();

    QComboBox* cboFftSize;
    QCheckBox* chkAveraging;
    QPushButton* btnPause;
    QPushButton* btnCopy;
    QPushButton* btnSave;

signals:
    // The user closed the window (the View item's check mark is cleared).
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* BuildControls();
    // Copying and renewing follow whether the window can be seen.
    void Follow();
    // The frequency the oscilloscope follows: the left channel's constant periodic tone, else
    // 0 (free-run).
    double ScopeFrequency() const;
    double StreamRate() const;

    GeneratorSession& session_;
    UserDialogs& dialogs_;
    MonitorRing ring_;
    SignalAnalysis analysis_;
    SignalMonitorView* view_ = nullptr;
    QTimer timer_;
    bool attached_ = false;
    QElapsedTimer clock_; // since the last renewal
    int renewals_ = 0;
    int64_t stoppedAt_ = 0; // the stream frame shown while nothing plays: silence after the end
};

} // namespace quavril
