#include "files/AnsiText.h"

#include <array>
#include <cstdint>

namespace quavril {

namespace {

// Code points of the bytes 0x80..0x9F; the rest of the code page equals Latin-1. Unassigned
// bytes keep their own number.
constexpr std::array<char32_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t Invalid = 0xFFFFFFFF;

// Decodes one UTF-8 character at `i`, advancing `i`. A malformed sequence (bad lead byte,
// missing continuation, overlong form, surrogate, beyond U+10FFFF) yields Invalid and
// consumes one byte.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<uint8_t>(s[i]);
    int extra;
    char32_t cp;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++i;
        return Invalid;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) { // sequence cut short
        ++i;
        return Invalid;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return Invalid;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    constexpr char32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
    if (cp < Smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return Invalid;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

char AnsiByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t b = 0; b < High.size(); ++b)
        if (High[b] == cp)
            return static_cast<char>(0x80 + b);
    return '?';
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::optional<char32_t> NextCharacter(std::string_view text, std::size_t& i) {
    const char32_t cp = NextCodePoint(text, i);
    return cp == Invalid ? std::nullopt : std::optional(cp);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        out += cp == Invalid ? '?' : AnsiByteOf(cp);
    }
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (const char c : ansi) {
        const auto b = static_cast<uint8_t>(c);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? High[b - 0x80] : char32_t{b});
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();)
        if (NextCodePoint(text, i) == Invalid)
            return false;
    return true;
}

std::string EscapedName(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t at = i;
        const char32_t cp = NextCodePoint(bytes, i);
        if (cp != Invalid && cp >= 0x20 && cp != 0x7F) {
            out.append(bytes.substr(at, i - at));
            continue;
        }
        constexpr char Hex[] = "0123456789abcdef";
        const auto b = static_cast<uint8_t>(bytes[at]);
        out += {'\\', 'x', Hex[b >> 4], Hex[b & 0xF]};
        i = at + 1;
    }
    return out;
}

std::string CutText(std::string_view utf8, std::size_t characters) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < characters && i < utf8.size(); ++n)
        NextCodePoint(utf8, i);
    return std::string(utf8.substr(0, i));
}

} // namespace quavril
