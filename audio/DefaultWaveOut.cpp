#include "audio/AlsaWaveOut.h"
#include "audio/WaveOutPort.h"

namespace quavril {

// The platform's wave-out back end, chosen here and nowhere else.
std::unique_ptr<WaveOutPort> CreateWaveOutPort() {
    return std::make_unique<AlsaWaveOut>();
}

} // namespace quavril
