#pragma once
// The generator as scripts see it: a script plays memory slots of preset files through the
// generator session, like a user at the memory buttons.
#include "session/ScriptHost.h"

#include <QMetaObject>

namespace quavril {

class GeneratorSession;

class SessionScriptHost : public ScriptHost {
public:
    // Counts the session's messages (Information and Error) from now on: with no window in
    // between, every one of them tells of a failure.
    explicit SessionScriptHost(GeneratorSession& session);
    ~SessionScriptHost() override;
    SessionScriptHost(const SessionScriptHost&) = delete;
    SessionScriptHost& operator=(const SessionScriptHost&) = delete;

    std::string LoadPresetFile(const std::string& path) override;
    void RecallSlot(int n) override;
    void StartPlayback() override;
    bool Playing() const override;
    bool Loop() const override;
    void SetLoop(bool on) override;
    int FailuresShown() const override { return failures_; }

private:
    GeneratorSession& session_;
    int failures_ = 0;
    QMetaObject::Connection information_, error_;
};

} // namespace quavril
