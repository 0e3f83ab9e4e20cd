#pragma once
// Reader of the older line-oriented preset format (magic "QVL Preset File V3.2"). The program
// reads it but never writes it. Each of the four slots is a block of 25 lines; the format has
// one frequency, amplitude, waveform and sweep description that both channels receive.
#include "files/PresetBank.h"

#include <optional>
#include <string>
#include <string_view>

namespace quavril {

class LegacyPresetReader {
public:
    // Lines in one block.
    static constexpr int BlockLines = 25;

    // `text` is the file's contents after the first line (the magic).
    explicit LegacyPresetReader(std::string_view text) : text_(text) {}

    // Reads the four blocks. On success `bank` holds them; on failure `bank` is untouched and
    // Error() says why ("invalid number in line 12", "the file ends before line 40", ...).
    bool ReadBank(PresetBank& bank);
    const std::string& Error() const { return error_; }

private:
    bool ReadSlot(PresetSlot& slot);
    // One line: its characters up to CR or LF, at most `limit` of them (the rest of the line
    // is skipped), converted from Windows-1252. Nothing at the end of the file.
    std::optional<std::string> Line(std::size_t limit);
    bool Text(std::string& out);
    bool Number(int32_t& out);
    bool Flag(bool& out);
    bool Fail(const std::string& what);

    std::string_view text_;
    std::size_t at_ = 0;
    int lineNumber_ = 1; // the magic line has been read
    std::string error_;
};

} // namespace quavril
