#pragma once
// Script files (".qvs"): plain text, one command per line. Lines may end in CR LF, LF or CR.
// A line is kept as the bytes it holds, so that a file name in it reaches the system as
// written; for the screen, a line that is valid UTF-8 is shown as it is and any other line is
// taken as Windows-1252 (scripts written by older editors).
#include "files/InputReader.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quavril {

// The most a script file may hold. Anything longer (or a device that never ends) is refused.
inline constexpr std::size_t MaxScriptFileSize = 16 * 1024 * 1024;

// The lines of a script file (bytes, line ends removed), or the text the user is shown when it
// cannot be read.
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

// Reads `path` (bytes, as the system names the file) as the preset files are read: only a
// regular file or a pipe, at most MaxScriptFileSize bytes, a pipe silent for `pipeWaitMs`
// given up. Errors name the file escaped (EscapedName): "Cannot open file <path>: <reason>"
// when it cannot be opened (missing, no permission, a folder), "Cannot read file <path>:
// <reason>" otherwise ("not a regular file or a pipe", "larger than 16777216 bytes", "nothing
// arrived through the pipe within 5 s").
ScriptFile ReadScriptFile(const std::string& path,
                          int pipeWaitMs = InputReader::DefaultPipeWaitMs);

// The lines of a script's bytes, as bytes: a final line without a line end counts, a line end
// at the very end adds no empty line; a UTF-8 byte order mark at the start is dropped.
std::vector<std::string> SplitScriptBytes(std::string_view bytes);
// The same lines as texts for the screen (ScriptText of each).
std::vector<std::string> SplitScriptText(std::string_view bytes);
// A line's bytes as UTF-8: unchanged when valid, else read as Windows-1252. Splitting the
// text or the bytes into words gives the same words: the blank is the same byte in both.
std::string ScriptText(std::string_view line);

ScriptWords SplitScriptLine(std::string_view line);

} // namespace quavril
