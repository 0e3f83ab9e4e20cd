#pragma once
// The generator as SCPI clients see it: every command goes through the generator session like
// the window's, so Sync, the autostart option and the output settings' rules hold alike.
#include "session/ScpiHost.h"

namespace quavril {

class GeneratorSession;

class SessionScpiHost : public ScpiHost {
public:
    explicit SessionScpiHost(GeneratorSession& session) : session_(session) {}

    Generator& Controls() override;
    std::string On() override;
    void Off() override;
    void Pause() override;
    bool Playing() const override;
    bool Paused() const override;
    void Reset() override;
    void SelectRate(int position) override;
    const SignalQuality& Quality() const override;
    void SetQuality(const SignalQuality& quality) override;
    bool RecallSlot(int n) override;
    bool StoreSlot(int n) override;

private:
    GeneratorSession& session_;
};

} // namespace quavril
