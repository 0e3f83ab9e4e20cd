#include "session/ScriptRun.h"

#include <QCoreApplication>

namespace quavril {

ScriptRun::ScriptRun(ScriptHost& host, ScriptView& view, QObject* parent)
    : QObject(parent), runner_(host, view, *this) {}

ScriptOutcome ScriptRun::Run(const std::string& path) {
    return runner_.Run(path);
}

void ScriptRun::CloseRequested() {
    runner_.CloseRequested();
}

// The tick in progress runs to its end, as the runner counts whole ticks.
void ScriptRun::StopRequested() {
    runner_.StopRequested();
}

void ScriptRun::WaitTick() {
    // A tick is a whole 100 ms: nothing wakes this wait early, so delays keep their length.
    wait_.Wait(EventLoopWait::TickMs);
}

void ScriptRun::ServiceEvents() {
    QCoreApplication::processEvents();
}

} // namespace quavril
