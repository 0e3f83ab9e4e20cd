#pragma once
// The output settings window: sampling rate, bytes per buffer and number of buffers.
#include "settings/OutputSettings.h"

#include <QWidget>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;

namespace quavril {

class GeneratorSession;

// A small modeless tool window, created hidden at start and shown on request: a view of the
// session's output settings. Every change in it switches the generator off; the new rate
// applies at once to the frequency limits, the buffer values at the next start. Closing it
// saves the three positions.
class TfrmSettings : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSettings(GeneratorSession& session, QWidget* parent = nullptr);

    const OutputSettings& Settings() const;

    // Handlers of the three lists (user choices).
    void FsListChange(int position);
    void BufferSizeChange(int position);
    void BuffersChange(int position);

    QComboBox* FsList;
    QComboBox* BufferSize;
    QComboBox* Buffers;
    QPushButton* HelpButton;
    QPushButton* Button1; // Close

signals:
    // The window was closed (the main window is usable again).
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QComboBox* AddList(const QString& caption, const QString& name, int row);
    void BuildButtons();
    void ShowPositions();

    GeneratorSession& session_;
};

} // namespace quavril
