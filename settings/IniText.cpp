#include "settings/IniText.h"

#include "files/AnsiText.h"
#include "synth/ControlFields.h"

#include <algorithm>
#include <cstdint>

namespace quavril::ini {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// A key or section name as written in the file: '\' separates groups, %XX and %UXXXX stand
// for the characters that are not letters, digits, '_', '-' or '.'.
std::string UnescapeKey(std::string_view key) {
    std::string out;
    for (std::size_t i = 0; i < key.size();) {
        const char c = key[i];
        if (c == '\\') {
            out += '/';
            ++i;
            continue;
        }
        if (c == '%' && i + 1 < key.size()) {
            const bool wide = key[i + 1] == 'U';
            const std::size_t first = i + (wide ? 2 : 1), digits = wide ? 4 : 2;
            uint32_t cp = 0;
            bool ok = first + digits <= key.size();
            for (std::size_t k = 0; ok && k < digits; ++k) {
                const int d = HexDigit(key[first + k]);
                ok = d >= 0;
                cp = cp * 16 + static_cast<uint32_t>(d);
            }
            if (ok) {
                AppendUtf8(out, cp >= 0xD800 && cp <= 0xDFFF ? 0xFFFD : cp);
                i = first + digits;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

std::string EscapeKey(std::string_view key) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < key.size();) {
        const std::size_t start = i;
        const auto cp = NextCharacter(key, i);
        const uint32_t c = cp ? *cp : static_cast<uint8_t>(key[start]);
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            const auto unit = [&](uint32_t u) {
                out += "%U";
                for (int shift = 12; shift >= 0; shift -= 4)
                    out += hex[(u >> shift) & 15];
            };
            if (c < 0x10000) {
                unit(c);
            } else {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            }
        }
    }
    return out;
}

// One logical line from `pos`: blank lines and comment lines are skipped, a quoted part may
// span lines, a backslash joins a line end to the line, an unquoted ';' ends the line. Gives
// the line's start and length and where its first unquoted '=' is.
struct Line {
    std::size_t Start = 0, Length = 0, Equals = std::string_view::npos;
};

bool NextLine(std::string_view data, std::size_t& pos, Line& line) {
    bool inQuotes = false;
    line.Equals = std::string_view::npos;
    std::size_t start = pos;
    while (start < data.size() && IsSpace(data[start]))
        ++start;
    std::size_t i = start;
    while (i < data.size()) {
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && line.Equals == std::string_view::npos)
                line.Equals = i - 1;
        } else if (IsLineEnd(c)) {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < data.size()) {
                const char escaped = data[i++];
                if (i < data.size() && IsLineEnd(escaped) && IsLineEnd(data[i]) &&
                    data[i] != escaped)
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < data.size() && !IsLineEnd(data[i]))
                    ++i;
                while (i < data.size() && IsSpace(data[i]))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line.Start = start;
    line.Length = i - start;
    return line.Length > 0;
}

std::size_t LineNumber(std::string_view data, std::size_t at) {
    return 1 + static_cast<std::size_t>(std::count(data.begin(), data.begin() + at, '\n'));
}

void Put(std::vector<Entry>& entries, std::string key, std::string raw) {
    const auto it =
        std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.Key == key; });
    if (it != entries.end())
        it->Raw = std::move(raw);
    else
        entries.push_back({std::move(key), std::move(raw)});
}

// What a value's raw text stands for, read the way QSettings reads it.
struct Decoded {
    std::string Text;
    bool List = false;
    bool Broken = false; // invalid UTF-8, a surrogate or a NUL character
};

void ChopTrailingBlanks(std::string& s, std::size_t limit) {
    while (s.size() > limit && (s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
}

// The escape after a backslash at `i` (already past the backslash).
void ReadEscape(std::string_view raw, std::size_t& i, Decoded& d) {
    static const char codes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                    {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                    {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    const char c = raw[i++];
    for (const auto& code : codes)
        if (c == code[0]) {
            d.Text += code[1];
            return;
        }
    uint32_t value = 0;
    bool numeric = false;
    if (c == 'x' && i < raw.size() && HexDigit(raw[i]) >= 0) {
        numeric = true;
        while (i < raw.size() && HexDigit(raw[i]) >= 0)
            value = ((value << 4) + static_cast<uint32_t>(HexDigit(raw[i++]))) & 0xFFFF;
    } else if (c >= '0' && c <= '7') {
        numeric = true;
        value = static_cast<uint32_t>(c - '0');
        while (i < raw.size() && raw[i] >= '0' && raw[i] <= '7')
            value = ((value << 3) + static_cast<uint32_t>(raw[i++] - '0')) & 0xFFFF;
    } else if (IsLineEnd(c) && i < raw.size() && IsLineEnd(raw[i]) && raw[i] != c) {
        ++i; // an escaped line end is no character
    }
    if (!numeric)
        return;
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        d.Broken = true;
    else
        AppendUtf8(d.Text, value);
}

Decoded DecodeRaw(std::string_view raw) {
    Decoded d;
    bool inQuotes = false, quoted = false;
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
    };
    skipBlanks();
    std::size_t chopLimit = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '\\') {
            ++i;
            if (i >= raw.size())
                break;
            ReadEscape(raw, i, d);
            chopLimit = d.Text.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = d.Text.size();
            }
        } else if (c == ',' && !inQuotes) {
            // A list: what it holds does not matter here, only that it is one.
            d.List = true;
            ++i;
            skipBlanks();
            quoted = false;
            d.Text.clear();
            chopLimit = 0;
        } else {
            std::size_t j = i + 1;
            while (j < raw.size() && raw[j] != '\\' && raw[j] != '"' && raw[j] != ',')
                ++j;
            const std::string_view chunk = raw.substr(i, j - i);
            if (!IsValidUtf8(chunk))
                d.Broken = true;
            d.Text.append(chunk);
            i = j;
        }
    }
    if (!quoted)
        ChopTrailingBlanks(d.Text, chopLimit);
    return d;
}

// A key's path as QSettings keeps it: no empty group, no '/' at either end.
std::string NormalizedPath(std::string_view path) {
    std::string out;
    for (char c : path)
        if (c != '/' || (!out.empty() && out.back() != '/'))
            out += c;
    if (!out.empty() && out.back() == '/')
        out.pop_back();
    return out;
}

// Whether a raw value ends where it started: every quote closed, no backslash left at its
// end to join whatever follows.
bool SelfContained(std::string_view raw) {
    bool inQuotes = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\') {
            if (++i == raw.size())
                return false;
        } else if (raw[i] == '"') {
            inQuotes = !inQuotes;
        }
    }
    return !inQuotes;
}

} // namespace

Document Parse(std::string_view text) {
    Document doc;
    const auto problem = [&](std::size_t at, const std::string& what) {
        if (doc.Problem.empty())
            doc.Problem = "line " + std::to_string(LineNumber(text, at)) + ": " + what;
    };
    std::string section; // with its trailing '/', empty for [General]
    std::size_t pos = 0;
    Line line;
    while (NextLine(text, pos, line)) {
        const std::string_view s = text.substr(line.Start, line.Length);
        // No setting holds a NUL: such a line is dropped (and the file counts as damaged).
        if (const std::size_t nul = s.find('\0'); nul != std::string_view::npos) {
            problem(line.Start + nul, "a NUL byte");
            continue;
        }
        if (s.front() == '[') {
            const std::size_t close = s.find(']');
            if (close == std::string_view::npos)
                problem(line.Start, "a section name without ']'");
            const std::string_view name =
                Trim(close == std::string_view::npos ? s.substr(1) : s.substr(1, close - 1));
            if (EqualNames(name, "general"))
                section.clear();
            else if (EqualNames(name, "%general"))
                section = std::string(name.substr(1)) + "/";
            else
                section = UnescapeKey(name) + "/";
            continue;
        }
        if (line.Equals == std::string_view::npos) {
            problem(line.Start, "not a name=value line");
            continue;
        }
        const std::size_t equals = line.Equals - line.Start;
        const std::string_view key = Trim(s.substr(0, equals));
        if (key.empty()) {
            problem(line.Start, "a value without a name");
            continue;
        }
        std::string raw(s.substr(equals + 1));
        // A backslash before the file's last line end joined it to nothing; written back with
        // a line after it, it would join that line: the join goes, the text is the same.
        if (!raw.empty() && IsLineEnd(raw.back())) {
            std::size_t end = raw.size() - 1;
            if (end > 0 && IsLineEnd(raw[end - 1]) && raw[end - 1] != raw[end])
                --end;
            if (end > 0 && raw[end - 1] == '\\')
                raw.resize(end - 1);
        }
        if (!SelfContained(raw)) {
            // It ran to the end of the file: kept as the text it reads as, if it is one.
            problem(line.Start, "a quote that is never closed");
            const auto text = DecodeText(raw);
            if (!text)
                continue;
            raw = EncodeText(*text);
        }
        std::string path = NormalizedPath(section + UnescapeKey(key));
        if (path.empty()) {
            problem(line.Start, "a value without a name");
            continue;
        }
        Put(doc.Entries, std::move(path), std::move(raw));
    }
    return doc;
}

std::string Serialize(const std::vector<Entry>& entries) {
    // Sections in the order of their first key.
    std::vector<std::string> sections;
    const auto sectionOf = [](const std::string& key) {
        const std::size_t slash = key.find('/');
        return slash == std::string::npos ? std::string() : key.substr(0, slash);
    };
    for (const Entry& e : entries)
        if (std::find(sections.begin(), sections.end(), sectionOf(e.Key)) == sections.end())
            sections.push_back(sectionOf(e.Key));
    std::string out;
    for (const std::string& section : sections) {
        if (!out.empty())
            out += '\n';
        if (section.empty())
            out += "[General]\n";
        else if (EqualNames(section, "general"))
            out += "[%" + EscapeKey(section) + "]\n";
        else
            out += "[" + EscapeKey(section) + "]\n";
        const std::size_t skip = section.empty() ? 0 : section.size() + 1;
        for (const Entry& e : entries)
            if (sectionOf(e.Key) == section)
                out += EscapeKey(std::string_view(e.Key).substr(skip)) + "=" + e.Raw + "\n";
    }
    return out;
}

std::optional<std::string> DecodeText(std::string_view raw) {
    Decoded d = DecodeRaw(raw);
    if (d.List || d.Broken)
        return std::nullopt;
    if (!d.Text.empty() && d.Text.front() == '@') {
        // "@@..." is a text starting with '@'; any other '@' form is another kind of value.
        if (d.Text.size() < 2 || d.Text[1] != '@')
            return std::nullopt;
        d.Text.erase(0, 1);
    }
    return d.Text;
}

std::string EncodeText(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    if (!text.empty() && text.front() == '@')
        out += '@';
    bool quote = false, escapeNextIfHexDigit = false;
    for (const char c : text) {
        const auto u = static_cast<uint8_t>(c);
        if (c == ';' || c == ',' || c == '=')
            quote = true;
        if (escapeNextIfHexDigit && HexDigit(c) >= 0) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
            continue;
        }
        escapeNextIfHexDigit = false;
        switch (c) {
        case '\0':
            out += "\\0";
            escapeNextIfHexDigit = true;
            break;
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += c;
            break;
        default:
            if (u <= 0x1F || u == 0x7F) {
                out += "\\x";
                if (u >= 16)
                    out += hex[u >> 4];
                out += hex[u & 15];
                escapeNextIfHexDigit = true;
            } else {
                out += c;
            }
        }
    }
    if (quote || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}

} // namespace quavril::ini
