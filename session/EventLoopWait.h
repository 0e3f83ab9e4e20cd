#pragma once
// Waiting without blocking: the event loop runs while a wait lasts, so playback refills,
// window buttons, other programs' messages and the hot key keep working. A wait ends when
// its time is up or when Wake is called (from a handler that changed what is waited for).
// Used by the script runner's 100 ms ticks and by the performance test.
#include <QObject>

#include <functional>
#include <vector>

class QEventLoop;

namespace quavril {

class EventLoopWait : public QObject {
    Q_OBJECT
public:
    static constexpr int TickMs = 100;

    explicit EventLoopWait(QObject* parent = nullptr);
    ~EventLoopWait() override;

    // Serves events until `ms` milliseconds have passed or Wake is called; true when woken.
    // Waits may nest (a handler that runs inside one may wait itself); Wake ends them all.
    bool Wait(int ms);
    // Serves events until `done` holds (checked at the start, at every wake and every tick
    // of 100 ms) or `timeoutMs` has passed (negative: no limit); true when `done` held.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = -1);

public slots:
    void Wake();

private:
    std::vector<QEventLoop*> loops_; // the waits in progress, innermost last
};

} // namespace quavril
