#pragma once
// The generator as scripts see it: a script plays memory slots of preset files through the
// generator session, like a user at the memory buttons.
#include "session/ScriptHost.h"

namespace quavril {

class GeneratorSession;

class SessionScriptHost : public ScriptHost {
public:
    explicit SessionScriptHost(GeneratorSession& session) : session_(session) {}

    std::string LoadPresetFile(const std::string& path) override;
    void RecallSlot(int n) override;
    void StartPlayback() override;
    bool Playing() const override;
    bool Loop() const override;
    void SetLoop(bool on) override;

private:
    GeneratorSession& session_;
};

} // namespace quavril
