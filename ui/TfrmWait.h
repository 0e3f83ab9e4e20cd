#pragma once
#include "files/WaveFile.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quavril {

// The please-wait window of the wave export: a message, the progress in percent and a Cancel
// button (also Esc). While it is shown the generator window is disabled; the render gives the
// event loop a turn every 10000 frames, which is when a Cancel click arrives.
class TfrmWait : public QWidget, public WaveExportObserver {
    Q_OBJECT
public:
    TfrmWait(WaveFileWriter& writer, QWidget* mainWindow);

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QPushButton* Button1; // Cancel

    void ExportStarted() override;
    bool ProgressVisible() const override;
    void ExportProgress(int percent) override;
    void ExportFinished() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    WaveFileWriter& writer_;
    QWidget* mainWindow_;
};

} // namespace quavril
