#pragma once
// A generator host for headless playback (command-line tool, tests): the output questions go
// to a Playback, a performance failure to an optional callback. A window has its own host and
// forwards OutputPlaying/StopOutputNow to its Playback instead.
#include "audio/Playback.h"
#include "synth/GeneratorHost.h"
#include <functional>

namespace quavril {

class PlaybackHost : public GeneratorHost {
public:
    explicit PlaybackHost(Playback& playback) : playback_(playback) {}

    bool OutputPlaying() const override { return playback_.OutputPlaying(); }
    void StopOutputNow() override { playback_.StopOutputNow(); }
    void ReportPerformanceIssue() override;

    // Called with the performance message when the fill handler's guards trip.
    std::function<void(const char* message)> OnPerformanceIssue;

private:
    Playback& playback_;
};

} // namespace quavril
