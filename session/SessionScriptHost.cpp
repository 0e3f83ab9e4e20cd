#include "session/SessionScriptHost.h"

#include "session/GeneratorSession.h"

namespace quavril {

SessionScriptHost::SessionScriptHost(GeneratorSession& session) : session_(session) {
    const auto count = [this] { ++failures_; };
    information_ = QObject::connect(&session, &GeneratorSession::Information, count);
    error_ = QObject::connect(&session, &GeneratorSession::Error, count);
}

SessionScriptHost::~SessionScriptHost() {
    QObject::disconnect(information_);
    QObject::disconnect(error_);
}

std::string SessionScriptHost::LoadPresetFile(const std::string& path) {
    const PresetFileResult result = session_.LoadPresets(path);
    return result ? std::string() : result.Error;
}

void SessionScriptHost::RecallSlot(int n) {
    session_.RecallSlot(n);
}

void SessionScriptHost::StartPlayback() {
    session_.StartPlayback();
}

bool SessionScriptHost::Playing() const {
    return session_.Playing();
}

bool SessionScriptHost::Loop() const {
    return session_.Controls().Flag(FlagField::Loop);
}

void SessionScriptHost::SetLoop(bool on) {
    session_.Controls().SetFlag(FlagField::Loop, on);
}

} // namespace quavril
