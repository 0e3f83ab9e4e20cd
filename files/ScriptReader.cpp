#include "files/ScriptReader.h"

#include "files/AnsiText.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <system_error>

namespace quavril {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

std::string Decoded(std::string_view line) {
    return IsValidUtf8(line) ? std::string(line) : AnsiToUtf8(line);
}

} // namespace

std::vector<std::string> SplitScriptText(std::string_view bytes) {
    constexpr std::string_view Bom = "\xEF\xBB\xBF";
    if (bytes.substr(0, Bom.size()) == Bom)
        bytes.remove_prefix(Bom.size());
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(Decoded(bytes.substr(start, i - start)));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(Decoded(bytes.substr(start)));
    return lines;
}

ScriptFile ReadScriptFile(const std::string& path) {
    ScriptFile result;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.Error = "Cannot open file " + path + ": " + ErrnoText(errno);
        return result;
    }
    // A folder opens for reading here; it is still no script.
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        result.Error = "Cannot open file " + path + ": " + ErrnoText(EISDIR);
        return result;
    }
    std::string bytes;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, n);
    if (std::ferror(file.get())) {
        result.Error = "Cannot read file " + path + ": " + ErrnoText(errno ? errno : EIO);
        return result;
    }
    result.Ok = true;
    result.Lines = SplitScriptText(bytes);
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
