#pragma once
#include <QObject>
#include <cstdint>

class QCheckBox;
class QPushButton;
class QWidget;

namespace quavril {

class ClickableLabel;
class DesignLayout;
class GeneratorSession;
class StatusLamp;

// The transport corner of the generator window: the sync box, Off, Pause and On, the lamp and
// the sample-rate label. It shows the session's running state (default button, lamp, a bold
// Pause while paused) and rate; the window connects the buttons to its commands.
class TransportControls : public QObject {
    Q_OBJECT
public:
    TransportControls(DesignLayout& layout, QWidget* client);

    void Follow(GeneratorSession& session);
    // Enter presses the default button: On while off, Off while on.
    void SetDefaultButton(QPushButton* button);
    void ShowSampleRate(int32_t fs);

    QCheckBox* chkSync;
    QPushButton* btnOFF;
    QPushButton* btnPause;
    QPushButton* btnON;
    StatusLamp* LED;
    ClickableLabel* lblFS;

private:
    void ShowRunning(bool running);
    void ShowPaused(bool paused);
};

} // namespace quavril
