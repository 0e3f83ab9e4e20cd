#include "CliCommands.h"

// Placeholder until the sound output lands.
namespace quavril::cli {
int RunPlay(const std::vector<std::string>&) {
    return Fail("play is not available yet");
}
int RunDevices(const std::vector<std::string>&) {
    return Fail("devices is not available yet");
}
} // namespace quavril::cli
