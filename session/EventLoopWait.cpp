#include "session/EventLoopWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace quavril {

EventLoopWait::EventLoopWait(QObject* parent) : QObject(parent) {}

EventLoopWait::~EventLoopWait() {
    Wake();
}

bool EventLoopWait::Wait(int ms) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    loops_.push_back(&loop);
    timer.start(std::max(ms, 0));
    loop.exec();
    loops_.erase(std::find(loops_.begin(), loops_.end(), &loop));
    // Still running: the loop was ended by Wake before the time was up.
    return timer.isActive();
}

bool EventLoopWait::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        int slice = TickMs;
        if (timeoutMs >= 0) {
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0)
                return false;
            slice = static_cast<int>(std::min<qint64>(left, TickMs));
        }
        Wait(slice);
    }
    return true;
}

void EventLoopWait::Wake() {
    for (QEventLoop* loop : loops_)
        loop->quit();
}

} // namespace quavril
