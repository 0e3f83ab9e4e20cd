#include "audio/PlaybackHost.h"
#include "synth/Messages.h"

namespace quavril {

void PlaybackHost::ReportPerformanceIssue() {
    if (OnPerformanceIssue)
        OnPerformanceIssue(messages::Performance);
}

} // namespace quavril
