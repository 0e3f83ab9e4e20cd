#include "files/ScriptReader.h"

#include "files/AnsiText.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>

namespace quavril {

std::string ScriptText(std::string_view line) {
    return IsValidUtf8(line) ? std::string(line) : AnsiToUtf8(line);
}

std::vector<std::string> SplitScriptBytes(std::string_view bytes) {
    constexpr std::string_view Bom = "\xEF\xBB\xBF";
    if (bytes.substr(0, Bom.size()) == Bom)
        bytes.remove_prefix(Bom.size());
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.emplace_back(bytes.substr(start));
    return lines;
}

std::vector<std::string> SplitScriptText(std::string_view bytes) {
    std::vector<std::string> lines = SplitScriptBytes(bytes);
    for (std::string& line : lines)
        line = ScriptText(line);
    return lines;
}

ScriptFile ReadScriptFile(const std::string& path, int pipeWaitMs) {
    ScriptFile result;
    InputReader input(MaxScriptFileSize, pipeWaitMs);
    std::vector<uint8_t> bytes;
    if (!input.Read(path, bytes)) {
        // A folder is named as the system names it; it cannot be opened as a script.
        struct stat info {};
        const bool folder = ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        const std::string reason = folder ? std::strerror(EISDIR) : input.Reason();
        result.Error = (input.OpenFailed() || folder ? "Cannot open file " : "Cannot read file ") +
                       EscapedName(path) + ": " + reason;
        return result;
    }
    result.Ok = true;
    result.Lines = SplitScriptBytes(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return result;
}

ScriptWords SplitScriptLine(std::string_view line) {
    ScriptWords words;
    const std::size_t first = line.find(' ');
    words.Command = std::string(line.substr(0, first));
    for (char& c : words.Command)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (first == std::string_view::npos)
        return words;
    const std::size_t second = line.find(' ', first + 1);
    words.Argument = std::string(line.substr(first + 1, second - (first + 1)));
    if (second == std::string_view::npos)
        return words;
    std::string_view rest = line.substr(second + 1);
    if (!rest.empty() && rest.back() == ' ')
        rest.remove_suffix(1);
    words.Rest = std::string(rest);
    return words;
}

} // namespace quavril
