#include "PlaybackHost.h"
#include "Messages.h"

namespace quavril {

void PlaybackHost::ReportPerformanceIssue() {
    if (OnPerformanceIssue)
        OnPerformanceIssue(messages::Performance);
}

} // namespace quavril
