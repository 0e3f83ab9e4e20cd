#pragma once
// Shared by the audio tests: one QCoreApplication for the process and explicit delivery of
// the notices that the output component receives through the event loop.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

namespace quavril::test {

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "audio_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// Delivers the notices posted so far (and nothing that they post in turn).
inline void DeliverNotices() {
    QCoreApplication::sendPostedEvents();
}

// Runs the event loop until `done` holds or `limitMs` of wall time have passed (a safety net
// against hangs, not a measurement). Returns whether `done` held.
inline bool RunUntil(const std::function<bool()>& done, int limitMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the loop now and then to look at the limit
    tick.start(100);
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace quavril::test
