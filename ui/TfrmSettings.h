#pragma once
// The output settings window: sampling rate, bytes per buffer, number of buffers and the
// signal quality (sample format, dither, band-limited shapes, soft start and stop).
#include "settings/OutputSettings.h"

#include <QWidget>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace quavril {

class GeneratorSession;

// A small modeless tool window, created hidden at start and shown on request: a view of the
// session's output settings. Every change in it switches the generator off; the new rate
// applies at once to the frequency limits, the other values at the next start and export.
// Closing it saves the settings. The rates are listed in ascending order; each entry holds
// its stored position.
class TfrmSettings : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSettings(GeneratorSession& session, QWidget* parent = nullptr);

    const OutputSettings& Settings() const;

    // Handlers of the three lists (user choices); `position` is the stored position.
    void FsListChange(int position);
    void BufferSizeChange(int position);
    void BuffersChange(int position);
    // Handlers of the signal quality's controls: each applies all four.
    void QualityChange();

    QComboBox* FsList;
    QComboBox* BufferSize;
    QComboBox* Buffers;
    QGroupBox* QualityGroup;
    QComboBox* SampleFormat; // 16-bit, 24-bit, 32-bit float
    QComboBox* Dither;       // none, TPDF; not for float
    QCheckBox* BandLimited;
    QSpinBox* FadeMs; // 0..1000 ms
    QPushButton* HelpButton;
    QPushButton* Button1; // Close
    // Remote control over the network (SCPI): on/off, address, first port, allowed clients,
    // and what the server says of itself.
    QGroupBox* ScpiGroup;
    QCheckBox* chkScpi;
    QLineEdit* ScpiAddress;
    QSpinBox* ScpiPort;
    QLineEdit* ScpiAllowed;
    QLabel* lblScpiStatus;

signals:
    // The window was closed (the main window is usable again).
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QComboBox* AddList(const QString& caption, const QString& name, int row);
    void BuildQualityGroup();
    void BuildButtons();
    void BuildScpiGroup();
    void ShowPositions();
    void ShowQuality();
    void ShowScpi();
    // The group's fields as the session's SCPI settings (the server follows at once).
    void ScpiEdited();

    GeneratorSession& session_;
};

} // namespace quavril
