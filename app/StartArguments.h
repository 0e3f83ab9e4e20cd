#pragma once
// The generator's command line, read before any window system is touched, so that --help,
// --version and --batch work without a display (over ssh, from cron, in a package check).
//
//   quavril [--scpi[=ADDRESS[:PORT]]] [FILE]
//                             the window; FILE a preset file (".qvl") or a script (".qvs");
//                             with --scpi the SCPI server runs for this start
//   quavril --batch SCRIPT    the script alone: no window, messages on stderr
//   quavril --help | -h | --version
//
// Our options may stand anywhere; "--" ends them. The first other argument is the file and
// further ones are ignored. Single-dash options other than -h belong to the window toolkit
// (-platform xcb, -style fusion): the window start lets the toolkit take them and its values
// first, and then reads what is left again (the file). Arguments are bytes as the system
// gives them: file names need not be UTF-8.
#include <string>
#include <utility>
#include <vector>

namespace quavril {

struct StartArguments {
    enum class Action {
        Window,  // the generator window, with File if one was named
        Batch,   // run the script File without a window
        Help,    // print HelpText on stdout
        Version, // print "quavril <version>" on stdout
        Usage    // a mistake on the command line: Problem says which
    };

    Action What = Action::Window;
    std::string File;
    std::string Problem;
    // --scpi was given, with the text after "--scpi=" (checked where the server is made).
    bool Scpi = false;
    std::string ScpiEndpoint;

    // Only an action (and what went wrong).
    static StartArguments Only(Action what, std::string problem = {}) {
        StartArguments s;
        s.What = what;
        s.Problem = std::move(problem);
        return s;
    }
    // `args` without the program's own name.
    static StartArguments Parse(const std::vector<std::string>& args);
    // The text of --help.
    static const char* const HelpText;
};

// What the window does with its file argument. An argument counts only when it names an
// existing file (a link is followed; a folder, a dangling or looping link counts as none);
// ".qvs" and ".qvl" are found anywhere in the name, case-sensitively, and a script is never
// loaded as a preset too.
enum class StartFile {
    None,   // no argument: the shipped presets
    Script, // run it with the window hidden, then end
    Preset, // load it into the memory slots
    Ignored // names nothing usable: the window starts with empty memory slots
};
StartFile ClassifyStartFile(const std::string& file);

} // namespace quavril
