#include "audio/WaveOutPort.h"

namespace quavril {

std::string WaveOutResultText(int code) {
    switch (code) {
    case WaveOk:
        return "The operation completed successfully.";
    case WaveErrNotOpen:
        return "The output device is not open.";
    case WaveErrAlreadyOpen:
        return "The output device is already open.";
    case WaveErrUnprepared:
        return "The buffer was not prepared for the output device.";
    case WaveErrBadBuffer:
        return "The buffer does not hold a whole number of sample frames.";
    case WaveErrBadFormat:
        return "The output device cannot play this format (sampling rate, channels or "
               "sample size).";
    case WaveErrNoDevice:
        return "There is no output device with this name or number.";
    case WaveErrStillPlaying:
        return "The buffer is still queued on the output device.";
    case WaveErrNotResponding:
        return "The output device stopped responding: it was disconnected or its sound server "
               "ended.";
    default:
        return "Unknown output device error " + std::to_string(code) + ".";
    }
}

} // namespace quavril
