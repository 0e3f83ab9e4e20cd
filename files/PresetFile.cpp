#include "files/PresetFile.h"

#include "files/AnsiText.h"
#include "files/FileReplacement.h"
#include "files/InputReader.h"
#include "files/LegacyPresetReader.h"

#include <algorithm>

namespace quavril {

namespace {

PresetFileResult WriteFailure(const std::string& path, const std::string& reason) {
    PresetFileResult r =
        PresetFileResult::Failure("Cannot write file " + EscapedName(path) + ": " + reason);
    r.Reason = reason;
    return r;
}

PresetFileResult ReadFailure(const std::string& path, const std::string& reason) {
    return PresetFileResult::Failure("Cannot read file " + EscapedName(path) + ": " + reason);
}

PresetFileResult LoadBinary(std::span<const uint8_t> bytes, PresetBank& bank) {
    const bool magic =
        bytes.size() > PresetFileMagic.size() && bytes[0] == PresetFileMagic.size() &&
        std::equal(PresetFileMagic.begin(), PresetFileMagic.end(), bytes.begin() + 1);
    if (!magic || bytes.size() < PresetFileSize)
        return PresetFileResult::Failure(WrongFileFormatMessage);
    const uint8_t* at = bytes.data() + 1 + PresetFileMagic.size();
    for (int n = PresetBank::FirstSlot; n <= PresetBank::LastSlot; ++n, at += PresetSlot::Size)
        bank.Slot(n) =
            PresetSlot::Decode(std::span<const uint8_t, PresetSlot::Size>(at, PresetSlot::Size));
    return PresetFileResult::Success();
}

// The first line as the text format reads it: at most 20 characters, up to CR or LF. Returns
// where the next line starts.
std::size_t FirstLine(std::string_view text, std::string& line) {
    std::size_t at = 0;
    bool ended = false;
    while (at < text.size() && text[at] != '\n') {
        ended = ended || text[at] == '\r';
        if (!ended && line.size() < LegacyPresetFileMagic.size())
            line += text[at];
        ++at;
    }
    return at < text.size() ? at + 1 : at;
}

} // namespace

std::vector<uint8_t> EncodePresetFile(const PresetBank& bank) {
    std::vector<uint8_t> bytes(PresetFileSize, 0);
    bytes[0] = static_cast<uint8_t>(PresetFileMagic.size());
    std::copy(PresetFileMagic.begin(), PresetFileMagic.end(), bytes.begin() + 1);
    uint8_t* at = bytes.data() + 1 + PresetFileMagic.size();
    for (int n = PresetBank::FirstSlot; n <= PresetBank::LastSlot; ++n, at += PresetSlot::Size)
        bank.Slot(n).Encode(std::span<uint8_t, PresetSlot::Size>(at, PresetSlot::Size));
    return bytes;
}

PresetFileResult SavePresetFile(const std::string& path, const PresetBank& bank) {
    const std::vector<uint8_t> bytes = EncodePresetFile(bank);
    FileReplacement out;
    if (!out.Open(path) || !out.Write(bytes.data(), bytes.size()) || !out.Commit())
        return WriteFailure(path, out.Reason());
    return PresetFileResult::Success();
}

PresetFileResult DecodePresetFile(std::span<const uint8_t> bytes, PresetBank& bank,
                                  std::string* legacyError) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string first;
    const std::size_t rest = FirstLine(text, first);
    if (first != LegacyPresetFileMagic)
        return LoadBinary(bytes, bank);
    LegacyPresetReader reader(text.substr(rest));
    if (!reader.ReadBank(bank)) {
        if (legacyError)
            *legacyError = reader.Error();
        return PresetFileResult::Failure(reader.Error());
    }
    return PresetFileResult::Success();
}

PresetFileResult LoadPresetFile(const std::string& path, PresetBank& bank, int pipeWaitMs) {
    InputReader input(MaxPresetFileSize, pipeWaitMs);
    std::vector<uint8_t> bytes;
    if (!input.Read(path, bytes)) {
        PresetFileResult r = PresetFileResult::Failure(
            (input.OpenFailed() ? "Cannot open file " : "Cannot read file ") + EscapedName(path) +
            ": " + input.Reason());
        r.Reason = input.Reason();
        return r;
    }
    std::string legacyError;
    PresetFileResult r = DecodePresetFile(bytes, bank, &legacyError);
    if (!r && !legacyError.empty()) {
        r = ReadFailure(path, legacyError);
        r.Reason = legacyError;
    }
    return r;
}

} // namespace quavril
