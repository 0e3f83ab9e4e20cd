#pragma once
// Runs scripts in the program: a ScriptRunner whose ticks are waits on the event loop.
// Connect the script window's CloseRequested and StopRequested to the slots of the same name.
#include "session/EventLoopWait.h"
#include "session/ScriptRunner.h"
#include "session/ScriptTicks.h"

#include <QObject>
#include <string>

namespace quavril {

class ScriptRun : public QObject, private ScriptTicks {
    Q_OBJECT
public:
    ScriptRun(ScriptHost& host, ScriptView& view, QObject* parent = nullptr);

    // Runs the script (its path as bytes) to its end while the event loop keeps running; see
    // ScriptRunner::Run.
    ScriptOutcome Run(const std::string& path);
    bool Running() const { return runner_.Running(); }
    ScriptRunner& Runner() { return runner_; }

public slots:
    void CloseRequested();
    void StopRequested();

private:
    void WaitTick() override;
    void ServiceEvents() override;

    EventLoopWait wait_;
    ScriptRunner runner_;
};

} // namespace quavril
