#pragma once
// The text of the settings file: an INI file in the form Qt's QSettings reads and writes, so
// that files of earlier versions load and the file stays readable by other tools.
//
//   [Software]
//   Orvande\Quavril\fInitLeft=1000
//   Orvande\Quavril\PhaseEdit="1, 2"
//
// A key's full path is its section, then its name, '/' between the groups ('\' in the file);
// keys of [General] have no section. Values are UTF-8 with C-like escapes; a value with an
// unquoted comma is a list, one starting with '@' another kind of value ("@@" stands for a
// leading '@'). Lines starting with ';' and the rest of a line after an unquoted ';' are
// comments. Standard library only.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quavril::ini {

// One key: its full path ("Software/Orvande/Quavril/fInitLeft") and its value as the file
// holds it, escapes and quotes included.
struct Entry {
    std::string Key;
    std::string Raw;
    bool operator==(const Entry&) const = default;
};

struct Document {
    // In file order; a key given twice keeps its first place and its last value.
    std::vector<Entry> Entries;
    // Empty when every line was a section, a key or a comment; else the first line that was
    // not, as "line N: ...". The keys that could be read are in Entries all the same.
    std::string Problem;
};

Document Parse(std::string_view text);
// The file text of `entries`: keys grouped by their first path component, sections in the
// order of their first key, keys in their order; each line ends in '\n'.
std::string Serialize(const std::vector<Entry>& entries);

// The value as one text (UTF-8), or nothing when it is not one: a list, another kind of value,
// invalid UTF-8, an escape that is no character, a NUL character.
std::optional<std::string> DecodeText(std::string_view raw);
// The raw form of a text (valid UTF-8), quoted where it must be.
std::string EncodeText(std::string_view text);

} // namespace quavril::ini
