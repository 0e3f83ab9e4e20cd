#include "session/SessionScpiHost.h"

#include "session/GeneratorSession.h"

namespace quavril {

Generator& SessionScpiHost::Controls() {
    return session_.Controls();
}

// The window still shows a failed start's message; the client gets it in its error queue.
std::string SessionScpiHost::On() {
    QString failure;
    const auto watch = QObject::connect(&session_, &GeneratorSession::Information,
                                        [&failure](const QString& text) { failure = text; });
    session_.On();
    QObject::disconnect(watch);
    if (session_.Playing())
        return {};
    return failure.isEmpty() ? std::string("the generator did not start") : failure.toStdString();
}

void SessionScpiHost::Off() {
    session_.Off();
}

void SessionScpiHost::Pause() {
    session_.Pause();
}

bool SessionScpiHost::Playing() const {
    return session_.Playing();
}

bool SessionScpiHost::Paused() const {
    return session_.Paused();
}

void SessionScpiHost::Reset() {
    session_.StopNow();
    if (session_.Paused())
        session_.TogglePause();
    session_.ResetToDefaults();
}

void SessionScpiHost::SelectRate(int position) {
    session_.SelectRate(position);
}

const SignalQuality& SessionScpiHost::Quality() const {
    return session_.Quality();
}

void SessionScpiHost::SetQuality(const SignalQuality& quality) {
    session_.SetQuality(quality);
}

bool SessionScpiHost::RecallSlot(int n) {
    return session_.RecallSlot(n);
}

bool SessionScpiHost::StoreSlot(int n) {
    return session_.StoreSlot(n);
}

} // namespace quavril
