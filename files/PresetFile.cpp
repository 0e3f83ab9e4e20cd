#include "files/PresetFile.h"

#include "files/LegacyPresetReader.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <unistd.h>

namespace quavril {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

PresetFileResult WriteFailure(const std::string& path, int error) {
    return PresetFileResult::Failure("Cannot write file " + path + ": " + ErrnoText(error));
}

PresetFileResult ReadFailure(const std::string& path, const std::string& reason) {
    return PresetFileResult::Failure("Cannot read file " + path + ": " + reason);
}

// Creates a new, empty file beside `target` under a name no other file has.
File CreateTemporaryBeside(const fs::path& target, fs::path& name, int& error) {
    std::random_device entropy;
    std::mt19937_64 random((static_cast<uint64_t>(entropy()) << 32) ^ entropy());
    const fs::path folder = target.parent_path();
    for (int attempt = 0; attempt < 32; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        name = folder / (".quavril-preset-" + std::string(suffix) + ".tmp");
        // "x": fails when the name exists, so another file is never overwritten.
        if (std::FILE* f = std::fopen(name.c_str(), "wbx"))
            return File(f);
        error = errno;
        if (error != EEXIST)
            return nullptr;
    }
    return nullptr;
}

// Writes all bytes and makes them durable; false with `error` set otherwise.
bool WriteAll(File file, const std::vector<uint8_t>& bytes, int& error) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fflush(file.get()) != 0 || ::fsync(::fileno(file.get())) != 0) {
        error = errno != 0 ? errno : EIO;
        return false;
    }
    if (std::fclose(file.release()) != 0) {
        error = errno;
        return false;
    }
    return true;
}

PresetFileResult LoadBinary(std::FILE* f, const std::string& path, PresetBank& bank) {
    std::vector<uint8_t> bytes(PresetFileSize);
    std::rewind(f);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    if (std::ferror(f))
        return ReadFailure(path, ErrnoText(errno));
    const bool magic =
        got > PresetFileMagic.size() && bytes[0] == PresetFileMagic.size() &&
        std::equal(PresetFileMagic.begin(), PresetFileMagic.end(), bytes.begin() + 1);
    if (!magic || got < PresetFileSize)
        return PresetFileResult::Failure(WrongFileFormatMessage);
    const uint8_t* at = bytes.data() + 1 + PresetFileMagic.size();
    for (int n = PresetBank::FirstSlot; n <= PresetBank::LastSlot; ++n, at += PresetSlot::Size)
        bank.Slot(n) =
            PresetSlot::Decode(std::span<const uint8_t, PresetSlot::Size>(at, PresetSlot::Size));
    return PresetFileResult::Success();
}

// The first line as the text format reads it: at most 20 characters, up to CR or LF; the
// rest of the line is skipped.
std::string FirstLine(std::FILE* f) {
    std::string line;
    bool ended = false;
    int c;
    while ((c = std::getc(f)) != EOF && c != '\n') {
        ended = ended || c == '\r';
        if (!ended && line.size() < LegacyPresetFileMagic.size())
            line += static_cast<char>(c);
    }
    return line;
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
    const fs::path target(path);
    fs::path temporary;
    int error = 0;
    File file = CreateTemporaryBeside(target, temporary, error);
    if (!file)
        return WriteFailure(path, error);
    if (!WriteAll(std::move(file), bytes, error)) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return WriteFailure(path, error);
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return PresetFileResult::Failure("Cannot write file " + path + ": " + ec.message());
    }
    return PresetFileResult::Success();
}

PresetFileResult LoadPresetFile(const std::string& path, PresetBank& bank) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return PresetFileResult::Failure("Cannot open file " + path + ": " + ErrnoText(errno));
    const std::string first = FirstLine(file.get());
    if (std::ferror(file.get()))
        return ReadFailure(path, ErrnoText(errno));
    if (first != LegacyPresetFileMagic)
        return LoadBinary(file.get(), path, bank);
    LegacyPresetReader reader(file.get());
    if (!reader.ReadBank(bank))
        return ReadFailure(path, reader.Error());
    return PresetFileResult::Success();
}

} // namespace quavril
