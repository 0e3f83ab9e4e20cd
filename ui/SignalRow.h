#pragma once
// The top row of the generator window: the output device list, the duration with Loop, the
// channel mode and the logo. The device list shows the session's devices and selection, and
// leaving it derives the left channel again.
#include <QObject>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QWidget;

namespace quavril {

class ClickableLabel;
class DesignLayout;
class ExitLineEdit;
class GeneratorSession;
class PictureList;

class SignalRow : public QObject {
    Q_OBJECT
public:
    SignalRow(DesignLayout& layout, QWidget* client);

    // Fills the device list and follows the session's device selection from now on.
    void Follow(GeneratorSession& session);

    QGroupBox* OutputDeviceBox;
    QComboBox* WaveDevice;
    QGroupBox* DurationBox;
    ExitLineEdit* Duration;
    QCheckBox* Loop;
    QGroupBox* ChannelsBox;
    PictureList* cboChannels;
    ClickableLabel* Image1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GeneratorSession* session_ = nullptr;
};

} // namespace quavril
