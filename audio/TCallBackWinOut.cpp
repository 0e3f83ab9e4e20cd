#include "audio/TCallBackWinOut.h"
#include "audio/TAudioOut.h"

#include <QCoreApplication>
#include <QEvent>

namespace quavril {

namespace {

enum class Notice { Opened, Done, Closed, Failed };

// One device notice on its way through the event loop.
class NoticeEvent : public QEvent {
public:
    NoticeEvent(Notice notice, WaveHeader* header, int code)
        : QEvent(EventType()), notice(notice), header(header), code(code) {}

    static QEvent::Type EventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    Notice notice;
    WaveHeader* header;
    int code;
};

} // namespace

TCallBackWinOut::TCallBackWinOut(TAudioOut& component, QObject* parent)
    : QObject(parent), component_(&component) {}

void TCallBackWinOut::DeviceOpened() {
    QCoreApplication::postEvent(this, new NoticeEvent(Notice::Opened, nullptr, 0));
}

void TCallBackWinOut::BufferDone(WaveHeader& header) {
    QCoreApplication::postEvent(this, new NoticeEvent(Notice::Done, &header, 0));
}

void TCallBackWinOut::DeviceClosed() {
    QCoreApplication::postEvent(this, new NoticeEvent(Notice::Closed, nullptr, 0));
}

void TCallBackWinOut::DeviceFailed(int code) {
    QCoreApplication::postEvent(this, new NoticeEvent(Notice::Failed, nullptr, code));
}

bool TCallBackWinOut::event(QEvent* e) {
    if (e->type() != NoticeEvent::EventType())
        return QObject::event(e);
    const auto* n = static_cast<NoticeEvent*>(e);
    TAudioOut* component = component_.data();
    switch (n->notice) {
    case Notice::Opened:
        if (component)
            component->HandleOpened(this);
        break;
    case Notice::Done:
        if (component)
            component->HandleDone(this, *n->header);
        break;
    case Notice::Failed:
        if (component)
            component->HandleFailed(this, n->code);
        break;
    case Notice::Closed:
        if (component)
            component->HandleClosed(this);
        deleteLater(); // the connection is over; nothing else arrives here
        break;
    }
    return true;
}

} // namespace quavril
