#include "app/StartArguments.h"

#include <sys/stat.h>

namespace quavril {

const char* const StartArguments::HelpText =
    "Usage: quavril [--scpi[=ADDRESS[:PORT]]] [FILE]\n"
    "       quavril --batch SCRIPT.qvs\n"
    "\n"
    "The Quavril test-signal generator window.\n"
    "\n"
    "  FILE.qvl   load the preset file into the four memory slots (no slot is applied)\n"
    "  FILE.qvs   run the script with the generator window hidden, then end; messages are\n"
    "             shown in boxes\n"
    "  (none)     load the shipped Examples.qvl\n"
    "\n"
    "  --batch SCRIPT  run the script without any window or box and without a display:\n"
    "             every message is one line on stderr (script:line: text), 'pause' waits\n"
    "             for Enter only when stdin is a terminal; the stored settings are read,\n"
    "             never written\n"
    "  --scpi[=ADDRESS[:PORT]]\n"
    "             serve SCPI instrument commands over TCP for this run: on the loopback\n"
    "             address unless ADDRESS is given (0.0.0.0 or :: for every address, [::1]:PORT\n"
    "             for IPv6), on the first free port from 5025 on, or on PORT only\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "A script start ends with status 0 when the script ended normally and showed no error\n"
    "message, 1 after any error message (also where the script went on) or when it could\n"
    "not be read; a mistake on the command line gives status 2.\n"
    "\n"
    "Running generators are reached on the session bus (see quavril-cli generators/send);\n"
    "the desktop's media controls (MPRIS, such as playerctl) start and stop each window;\n"
    "test scripts reach it over the network with SCPI when that is on (Tools > Output\n"
    "settings, or --scpi).\n";

StartArguments StartArguments::Parse(const std::vector<std::string>& args) {
    StartArguments start;
    bool options = true;
    bool haveFile = false;
    const auto takeFile = [&](const std::string& file) {
        if (!haveFile)
            start.File = file;
        haveFile = true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!options || a.size() < 2 || a[0] != '-') {
            takeFile(a);
        } else if (a == "--") {
            options = false;
        } else if (a == "--help" || a == "-h") {
            return Only(Action::Help);
        } else if (a == "--version") {
            return Only(Action::Version);
        } else if (a == "--batch" || a.starts_with("--batch=")) {
            start.What = Action::Batch;
            if (a != "--batch")
                start.File = a.substr(8);
            else if (i + 1 < args.size())
                start.File = args[++i];
            else
                return Only(Action::Usage, "--batch needs a script file");
            haveFile = true;
        } else if (a == "--scpi" || a.starts_with("--scpi=")) {
            start.Scpi = true;
            start.ScpiEndpoint = a.size() > 7 ? a.substr(7) : std::string();
        } else if (a.starts_with("--")) {
            return Only(Action::Usage, "unknown option '" + a + "'");
        }
        // Any other single-dash word is the window toolkit's.
    }
    if (start.What == Action::Batch && start.File.empty())
        return Only(Action::Usage, "--batch needs a script file");
    return start;
}

StartFile ClassifyStartFile(const std::string& file) {
    if (file.empty())
        return StartFile::None;
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return StartFile::Ignored;
    if (file.find(".qvs") != std::string::npos)
        return StartFile::Script;
    if (file.find(".qvl") != std::string::npos)
        return StartFile::Preset;
    return StartFile::Ignored;
}

} // namespace quavril
