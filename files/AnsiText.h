#pragma once
// Texts of the preset files are stored in the Western ANSI code page (Windows-1252), one byte
// per character; the program itself works in UTF-8.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quavril {

// UTF-8 to Windows-1252. A character the code page has no byte for, and every byte of a
// malformed UTF-8 sequence, becomes '?'.
std::string Utf8ToAnsi(std::string_view utf8);

// Windows-1252 to UTF-8. The five bytes the code page leaves unassigned (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the control characters of the same number, so every byte survives a
// round trip.
std::string AnsiToUtf8(std::string_view ansi);

// Whether a text is well-formed UTF-8 (no overlong forms, surrogates or code points beyond
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The character at byte `i` of a UTF-8 text, `i` moved past it; nothing for a malformed
// sequence (then `i` has moved past its first byte).
std::optional<char32_t> NextCharacter(std::string_view text, std::size_t& i);
// Appends the UTF-8 form of a code point (up to U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);
// A file name (bytes, as the system gives them) as a text for messages: valid UTF-8 stays as
// it is; every byte of a malformed sequence and every control character (a line end in a name)
// is shown as \xNN, so that the text is valid UTF-8 on one line. The name itself, not this
// text, is what opens the file.
std::string EscapedName(std::string_view bytes);

// The first `characters` characters of a UTF-8 text (a malformed byte counts as one
// character). Used to hold texts to the 255 characters a short text can store.
std::string CutText(std::string_view utf8, std::size_t characters);

} // namespace quavril
