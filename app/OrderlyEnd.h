#pragma once
// One way to end the program, whatever asks for it: the window's close, File > Exit, SIGTERM,
// SIGINT, SIGHUP or the desktop session ending. A signal is turned into an event-loop request
// (EndRequested); the final steps (hot key released, output stopped, settings saved) run once.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace quavril {

class OrderlyEnd : public QObject {
    Q_OBJECT
public:
    explicit OrderlyEnd(std::function<void()> finalSteps, QObject* parent = nullptr);
    ~OrderlyEnd() override;

    // From now on SIGTERM, SIGINT and SIGHUP request the end instead of killing the process.
    void WatchSignals();
    // Runs the final steps, the first time only.
    void Finish();
    bool Finished() const { return finished_; }

signals:
    void EndRequested();

private:
    std::function<void()> finalSteps_;
    QSocketNotifier* notifier_ = nullptr;
    bool finished_ = false;
};

} // namespace quavril
