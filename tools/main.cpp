#include "tools/CliCommands.h"

#include <cstdio>
#include <iostream>

namespace {
const char* Usage =
    "Usage: quavril-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  render PRESET.qvl SLOT OUT.wav [--rate HZ] [--format s16|s24|f32]\n"
    "         [--dither none|tpdf] [--band-limited] [--fade MS]\n"
    "      Write memory slot SLOT (1-4) of a preset file as a wave file, exactly as the\n"
    "      generator's \"Save as wave file\" writes it after recalling that slot.\n"
    "      The sample rate is 44100 Hz unless --rate is given. PRESET.qvl '-' reads standard\n"
    "      input, OUT.wav '-' writes standard output. --format, --dither, --band-limited\n"
    "      and --fade choose 24-bit or float samples, dither, band-limited shapes and soft\n"
    "      edges (the window's output settings).\n"
    "  play PRESET.qvl SLOT [--rate HZ] [--device NAME] [--buffers N] [--buffer-size BYTES]\n"
    "       [--loop] [--format ...] [--dither ...] [--band-limited] [--fade MS]\n"
    "      Play a memory slot on an output device until the signal ends (Ctrl+C stops).\n"
    "  devices\n"
    "      List the output devices.\n"
    "  send CODE [WPARAM [LPARAM]] [--pid PID]\n"
    "      Send a numbered message to running generators: to the one with process id PID,\n"
    "      or to every generator of this version as its Sync box does. CODE is a decimal\n"
    "      number (1024-1048, 1100) or on, off, pause; parameters are 0 unless given.\n"
    "  generators\n"
    "      List the running generators: process id, a tab, the title.\n"
    "\n"
    "quavril-cli COMMAND --help shows the help of one command; quavril-cli --version shows\n"
    "the version.\n";
}

namespace quavril::cli {
int Fail(const std::string& message) {
    std::cerr << "quavril-cli: " << message << "\n";
    return 1;
}
} // namespace quavril::cli

int main(int argc, char** argv) {
    using namespace quavril::cli;
    if (argc < 2) {
        std::cerr << Usage;
        return 2;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << Usage;
        return 0;
    }
    if (command == "--version") {
        std::cout << "quavril-cli " << QUAVRIL_VERSION << "\n";
        return 0;
    }
    if (command == "render")
        return RunRender(args);
    if (command == "play")
        return RunPlay(args);
    if (command == "devices")
        return RunDevices(args);
    if (command == "send")
        return RunSend(args);
    if (command == "generators")
        return RunGenerators(args);
    return Fail("unknown command '" + command + "' (see quavril-cli --help)");
}
