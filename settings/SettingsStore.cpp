#include "settings/SettingsStore.h"

#include "files/FileReplacement.h"
#include "files/InputReader.h"
#include "synth/ControlFields.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavril {

namespace {

// A damaged file larger than this is not copied aside (and so not written over).
constexpr std::size_t KeepLimit = 64 * 1024 * 1024;

std::string Prefix() {
    return std::string(SettingsStore::KeyPath) + "/";
}

// The name of a value of this store's group, or nothing for a key of another group.
std::optional<std::string_view> NameOf(const std::string& key) {
    const std::string prefix = Prefix();
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::string_view name = std::string_view(key).substr(prefix.size());
    if (name.find('/') != std::string_view::npos)
        return std::nullopt;
    return name;
}

template <typename Entries> auto FindIn(Entries& entries, std::string_view name) {
    const std::string exact = Prefix() + std::string(name);
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const ini::Entry& e) { return e.Key == exact; });
    if (it == entries.end())
        it = std::find_if(entries.begin(), entries.end(), [&](const ini::Entry& e) {
            const auto n = NameOf(e.Key);
            return n && EqualNames(*n, name);
        });
    return it == entries.end() ? nullptr : &*it;
}

// A decimal 32-bit integer as WriteInt writes it, with optional sign and surrounding blanks.
std::optional<int32_t> ParseInt32(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a file";
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Creates the missing folders of `folder`, private to the user as new configuration folders
// are. False when one cannot be made.
bool MakeFolders(const std::string& folder) {
    if (folder.empty())
        return true;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return true;
    if (!MakeFolders(FolderOf(folder)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// Copies the regular file `from` into `out` (opened); false with `reason` set.
bool CopyInto(const std::string& from, FileReplacement& out, std::string& reason) {
    const int fd = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<uint64_t>(st.st_size) <= KeepLimit;
    if (!ok)
        reason = "not a regular file of at most 64 MiB";
    char buffer[16384];
    for (std::size_t copied = 0; ok;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0)
                reason = std::strerror(errno);
            ok = n == 0;
            break;
        }
        copied += static_cast<std::size_t>(n);
        if (copied > KeepLimit || !out.Write(buffer, static_cast<std::size_t>(n))) {
            reason = copied > KeepLimit ? "it grew beyond 64 MiB" : out.Reason();
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

std::string TooLargeText() {
    return "it is larger than " + std::to_string(SettingsStore::FileLimit / 1024 / 1024) + " MiB";
}

} // namespace

SettingsStore::SettingsStore()
    : SettingsStore(DefaultFilePath(), [](const std::string& line) {
          std::fprintf(stderr, "quavril: %s\n", line.c_str());
      }) {}

SettingsStore::SettingsStore(std::string filePath, Reporter reporter)
    : path_(std::move(filePath)), report_(std::move(reporter)) {
    if (path_.empty())
        return;
    FileContent content = ReadFile();
    switch (content.Is) {
    case FileContent::Kind::Missing:
        break;
    case FileContent::Kind::NotRegular:
        Report(path_ + " is " + content.What +
               ", not a regular file: the settings are not read from it");
        break;
    case FileContent::Kind::Unreadable:
        Report("the settings cannot be read from " + path_ + ": " + content.What);
        break;
    case FileContent::Kind::TooLarge:
        damage_ = TooLargeText();
        break;
    case FileContent::Kind::Read: {
        ini::Document doc = ini::Parse(content.Bytes);
        entries_ = std::move(doc.Entries);
        damage_ = std::move(doc.Problem);
        loaded_ = std::move(content.Bytes);
        break;
    }
    }
}

std::string SettingsStore::DefaultFilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config ? config : "";
    if (base.empty() || base.front() != '/') {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/Orvande/Quavril.conf";
}

void SettingsStore::Report(const std::string& line) const {
    if (report_)
        report_(line);
}

SettingsStore::FileContent SettingsStore::ReadFile() const {
    FileContent content;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            content.Is = FileContent::Kind::Unreadable;
            content.What = std::strerror(errno);
        }
        return content;
    }
    // Looked at before opening: opening a FIFO or a device can wait or have effects.
    if (!S_ISREG(st.st_mode)) {
        content.Is = FileContent::Kind::NotRegular;
        content.What = KindOf(st.st_mode);
        return content;
    }
    if (static_cast<uint64_t>(st.st_size) > FileLimit) {
        content.Is = FileContent::Kind::TooLarge;
        return content;
    }
    // No wait for a pipe: a FIFO put in the file's place meanwhile gives up at once.
    InputReader reader(FileLimit, 0);
    std::vector<uint8_t> bytes;
    if (!reader.Read(path_, bytes)) {
        content.Is = FileContent::Kind::Unreadable;
        content.What = reader.Reason();
        return content;
    }
    content.Is = FileContent::Kind::Read;
    content.Bytes.assign(bytes.begin(), bytes.end());
    return content;
}

const ini::Entry* SettingsStore::Find(std::string_view name) const {
    return FindIn(entries_, name);
}

ini::Entry* SettingsStore::Find(std::string_view name) {
    return FindIn(entries_, name);
}

bool SettingsStore::KeyExists() const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [](const ini::Entry& e) { return NameOf(e.Key).has_value(); });
}

bool SettingsStore::Contains(std::string_view name) const {
    return Find(name) != nullptr;
}

std::optional<std::string> SettingsStore::ReadText(std::string_view name) const {
    const ini::Entry* e = Find(name);
    if (!e)
        return std::nullopt;
    return ini::DecodeText(e->Raw);
}

std::optional<int32_t> SettingsStore::ReadInt(std::string_view name) const {
    const auto text = ReadText(name);
    if (!text)
        return std::nullopt;
    return ParseInt32(*text);
}

std::optional<bool> SettingsStore::ReadFlag(std::string_view name) const {
    const auto value = ReadInt(name);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

void SettingsStore::Write(std::string_view name, std::string raw) {
    ini::Entry* e = Find(name);
    if (!e) {
        entries_.push_back({Prefix() + std::string(name), {}});
        e = &entries_.back();
    }
    e->Raw = std::move(raw);
    written_.insert(e->Key);
    removed_.erase(e->Key);
}

void SettingsStore::WriteText(std::string_view name, const std::string& value) {
    Write(name, ini::EncodeText(value));
}

void SettingsStore::WriteInt(std::string_view name, int32_t value) {
    Write(name, std::to_string(value));
}

void SettingsStore::WriteFlag(std::string_view name, bool value) {
    WriteInt(name, value ? 1 : 0);
}

void SettingsStore::Remove(std::string_view name) {
    const ini::Entry* e = Find(name);
    if (!e)
        return;
    const std::string key = e->Key;
    std::erase_if(entries_, [&](const ini::Entry& entry) { return entry.Key == key; });
    written_.erase(key);
    removed_.insert(key);
}

void SettingsStore::MarkDamaged(const std::string& why) {
    if (damage_.empty() && !loaded_.empty())
        damage_ = why;
}

bool SettingsStore::KeepDamaged() {
    const std::string kept = DamagedFilePath();
    FileReplacement out;
    std::string reason;
    const bool copied = out.Open(kept, {}, FileReplacement::Targets::RegularFiles)
                            ? CopyInto(path_, out, reason) && out.Commit()
                            : (reason = out.Reason(), false);
    if (!copied) {
        out.Discard();
        Report("the damaged settings file " + path_ + " (" + damage_ + ") could not be kept as " +
               kept + ": " + reason + "; it is not written over");
        return false;
    }
    Report("the settings file " + path_ + " was damaged (" + damage_ + "); it is kept as " + kept +
           " and written anew");
    damage_.clear();
    loaded_.clear();
    return true;
}

bool SettingsStore::Sync() {
    if (path_.empty()) {
        written_.clear();
        removed_.clear();
        return true;
    }
    const FileContent disk = ReadFile();
    if (disk.Is == FileContent::Kind::NotRegular) {
        Report(path_ + " is " + disk.What +
               ", not a regular file: the settings are not written to it");
        return false;
    }
    if (disk.Is == FileContent::Kind::Unreadable) {
        Report("the settings could not be written to " + path_ + ": " + disk.What);
        return false;
    }
    // What the file holds now (another copy may have written it), with this store's values
    // written over it. Damaged contents are kept aside first.
    std::vector<ini::Entry> merged;
    std::string damage;
    if (disk.Is == FileContent::Kind::Read) {
        ini::Document doc = ini::Parse(disk.Bytes);
        merged = std::move(doc.Entries);
        damage = doc.Problem.empty() && disk.Bytes == loaded_ ? damage_ : doc.Problem;
    } else if (disk.Is == FileContent::Kind::TooLarge) {
        damage = TooLargeText();
    }
    if (!damage.empty()) {
        damage_ = damage;
        if (!KeepDamaged())
            return false;
    }
    for (const std::string& key : removed_)
        std::erase_if(merged, [&](const ini::Entry& e) { return e.Key == key; });
    for (const ini::Entry& mine : entries_) {
        if (!written_.contains(mine.Key))
            continue;
        ini::Entry* there = FindIn(merged, *NameOf(mine.Key));
        if (there)
            there->Raw = mine.Raw;
        else
            merged.push_back(mine);
    }
    const std::string text = ini::Serialize(merged);
    FileReplacement out;
    const bool written = MakeFolders(FolderOf(path_)) &&
                         out.Open(path_, {}, FileReplacement::Targets::RegularFiles) &&
                         out.Write(text.data(), text.size()) && out.Commit();
    if (!written) {
        const std::string reason = out.Reason().empty() ? std::strerror(errno) : out.Reason();
        out.Discard();
        Report("the settings could not be written to " + path_ + ": " + reason);
        return false;
    }
    entries_ = std::move(merged);
    written_.clear();
    removed_.clear();
    damage_.clear();
    loaded_.clear();
    return true;
}

} // namespace quavril
