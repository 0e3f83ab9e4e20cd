#pragma once
// TCallBackWinOut: the receiver of one device connection's notices. The port raises them
// (possibly from inside its own calls); this object posts each one to itself and hands it to
// the component from the event loop, so notices arrive in order, on the user-interface thread
// and never nested in a call into the component. One object per opened connection; it deletes
// itself after its closed notice. Notices of a connection that is no longer the component's
// current one are dropped here or by the component.
#include "audio/WaveOutPort.h"
#include <QObject>
#include <QPointer>

namespace quavril {

class TAudioOut;

class TCallBackWinOut : public QObject, public WaveOutSink {
public:
    TCallBackWinOut(TAudioOut& component, QObject* parent);

    void DeviceOpened() override;
    void BufferDone(WaveHeader& header) override;
    void DeviceClosed() override;
    void DeviceFailed(int code) override;

protected:
    bool event(QEvent* e) override;

private:
    QPointer<TAudioOut> component_;
};

} // namespace quavril
