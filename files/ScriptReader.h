#pragma once
// Script files (".qvs"): plain text, one command per line. Lines may end in CR LF, LF or CR;
// the text is UTF-8, and a line that is not valid UTF-8 is taken as Windows-1252 (scripts
// written by older editors), so every line reaches the runner as UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace quavril {

// The lines of a script file, or the text the user is shown when it cannot be read.
struct ScriptFile {
    bool Ok = false;
    std::string Error;
    std::vector<std::string> Lines;
};

// The words of one script line. Words are separated by single blanks, so two adjacent blanks
// give an empty word and a tab is an ordinary character.
struct ScriptWords {
    std::string Command;  // word 0, lower case (ASCII): commands are case-insensitive
    std::string Argument; // word 1
    // Everything after the second blank (a path may hold blanks), less one trailing blank.
    std::string Rest;
};

// Reads `path` into lines. A missing or unreadable file (a folder included) gives
// "Cannot open file <path>: <reason>" or "Cannot read file <path>: <reason>".
ScriptFile ReadScriptFile(const std::string& path);

// The lines of a script's bytes: a final line without a line end counts, a line end at the
// very end adds no empty line; a UTF-8 byte order mark at the start is dropped.
std::vector<std::string> SplitScriptText(std::string_view bytes);

ScriptWords SplitScriptLine(std::string_view line);

} // namespace quavril
