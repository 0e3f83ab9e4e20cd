#pragma once
// Preset files (".qvl"): the whole bank of four memory presets. The program writes the binary
// format V3.6 and reads it and the older text format V3.2.
#include "files/InputReader.h"
#include "files/PresetBank.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quavril {

// The length-prefixed magic of the binary format and of the text format's first line.
inline constexpr std::string_view PresetFileMagic = "QVL Preset File V3.6";
inline constexpr std::string_view LegacyPresetFileMagic = "QVL Preset File V3.2";
// A binary preset file: length byte, magic, four slots.
inline constexpr std::size_t PresetFileSize =
    1 + PresetFileMagic.size() + PresetBank::SlotCount * PresetSlot::Size; // 15493 bytes
// The most a preset file may hold: a binary file with room to spare, or a text file of 101
// lines of up to about 640 characters. Anything longer is refused unread.
inline constexpr std::size_t MaxPresetFileSize = 65536;

// Shown when a file is neither format, or a binary file is too short.
inline constexpr const char* WrongFileFormatMessage = "Wrong file format";

// Outcome of a load or save. A failure carries the text the user is shown; a file name in it is
// escaped where it is not UTF-8 (EscapedName).
struct PresetFileResult {
    bool Ok = false;
    std::string Error;
    // The bare reason of a failed read or write, in the system's words where the system gave
    // one ("No space left on device"); empty for "Wrong file format".
    std::string Reason;

    static PresetFileResult Success() { return {true, {}, {}}; }
    static PresetFileResult Failure(std::string error) { return {false, std::move(error), {}}; }
    explicit operator bool() const { return Ok; }
};

// The bytes of a binary preset file holding `bank`.
std::vector<uint8_t> EncodePresetFile(const PresetBank& bank);

// Writes `bank` to `path` in format V3.6. The bytes go to a temporary file beside the target,
// which is renamed over the target only when it is complete: on failure an existing file is
// left as it was and no temporary file remains. Error: "Cannot write file <path>: <reason>".
PresetFileResult SavePresetFile(const std::string& path, const PresetBank& bank);

// Reads a V3.6 or V3.2 preset file into `bank`; the caller then sets the memory buttons'
// captions from the slot names. Only regular files and pipes are read ("/dev/stdin" too), at
// most MaxPresetFileSize bytes, and the whole file is read before it is parsed. On any failure
// `bank` is unchanged: a file of neither format or a binary file shorter than 15493 bytes
// gives "Wrong file format"; a missing file gives "Cannot open file <path>: <reason>"; a
// device, a folder, a file that is too long, a pipe silent for `pipeWaitMs`, or a text file
// with a bad number line or too few lines gives "Cannot read file <path>: <reason>".
PresetFileResult LoadPresetFile(const std::string& path, PresetBank& bank,
                                int pipeWaitMs = InputReader::DefaultPipeWaitMs);

// Parses the bytes of a preset file (either format) into `bank`, unchanged on failure. A
// text file's failure is its bare reason ("invalid number in line 12"), also put into
// `*legacyError` when given.
PresetFileResult DecodePresetFile(std::span<const uint8_t> bytes, PresetBank& bank,
                                  std::string* legacyError = nullptr);

} // namespace quavril
