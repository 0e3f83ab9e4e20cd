#include "files/FileReplacement.h"

#include "files/StandardStream.h"

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quavril {

namespace {

// Temporary names the signal handlers remove: fixed storage, written with the signals
// blocked, read by the handler with nothing but async-signal-safe calls.
struct PendingTemporary {
    volatile sig_atomic_t active = 0;
    char name[PATH_MAX] = {};
};
std::array<PendingTemporary, 4> pending;

const int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP};

const char* const NotRegularFile = "Not a regular file";

// Blocks the handled signals for its lifetime, so that a temporary name is never created,
// renamed or forgotten between a signal's arrival and its handler's look at the table.
class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : HandledSignals)
            sigaddset(&set, s);
        ::sigprocmask(SIG_BLOCK, &set, &previous_);
    }
    ~SignalsBlocked() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

void RemovePendingAndEnd(int signal) {
    for (PendingTemporary& p : pending)
        if (p.active)
            ::unlink(p.name);
    // The handler was installed with SA_RESETHAND: the default action ends the process once
    // the handler returns.
    ::raise(signal);
}

int Register(const std::string& name) {
    if (name.size() >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < pending.size(); ++i)
        if (!pending[i].active) {
            std::memcpy(pending[i].name, name.c_str(), name.size() + 1);
            pending[i].active = 1;
            return static_cast<int>(i);
        }
    return -1;
}

void Unregister(int slot) {
    if (slot >= 0)
        pending[static_cast<std::size_t>(slot)].active = 0;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links in the last component: the file a link points to is the one to
// replace, even when it does not exist yet. Folder components need no resolving, since the
// temporary file lies in the same folder whatever the path to it.
bool FollowLinks(std::string& path, int& error) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), PATH_MAX);
        if (n < 0) {
            error = errno;
            return false;
        }
        const std::string link(buffer.data(), static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : FolderOf(path) + link;
    }
    error = ELOOP;
    return false;
}

} // namespace

bool FileReplacement::Fail(int error) {
    return Fail(std::string(std::strerror(error)));
}

bool FileReplacement::Fail(const std::string& reason) {
    reason_ = reason;
    return false;
}

std::string FileReplacement::TemporaryPattern(const std::string& target, long nameMax) {
    const std::string folder = FolderOf(target);
    std::string name = target.substr(folder.size());
    const std::string suffix = ".XXXXXX";
    const std::size_t room = nameMax > 0 ? static_cast<std::size_t>(nameMax) : 255;
    if (1 + name.size() + suffix.size() > room) {
        name.resize(room > 1 + suffix.size() ? room - 1 - suffix.size() : 0);
        // Do not end in the middle of a UTF-8 character.
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        if (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0xC0)
            name.pop_back();
    }
    return folder + "." + name + suffix;
}

bool FileReplacement::IsInput(const struct stat& out, const std::string& input) {
    if (input.empty())
        return false;
    struct stat in {};
    bool known;
    if (const auto stream = StandardStreamOf(input))
        known = ::fstat(*stream, &in) == 0;
    else
        known = ::stat(input.c_str(), &in) == 0;
    return known && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

bool FileReplacement::OpenDirect(int fd) {
    if (fd < 0)
        return Fail(errno);
    fd_ = fd;
    way_ = Way::Direct;
    return true;
}

bool FileReplacement::CreateTemporary(int& error) {
    const std::string folder = FolderOf(target_);
    const long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    std::string pattern = TemporaryPattern(target_, nameMax);
    const SignalsBlocked blocked;
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    fd_ = fd;
    temporary_ = pattern;
    registration_ = Register(temporary_);
    way_ = Way::Replace;
    return true;
}

bool FileReplacement::Open(const std::string& path, const std::string& input, Targets targets) {
    Discard();
    reason_.clear();
    written_ = writebackFrom_ = 0;
    target_ = path;
    targets_ = targets;
    if (path.empty())
        return Fail(ENOENT);
    const auto stream = StandardStreamOf(path);
    if (stream && targets == Targets::RegularFiles)
        return Fail(NotRegularFile);
    if (stream) {
        if (!OpenDirect(::fcntl(*stream, F_DUPFD_CLOEXEC, 3)))
            return false;
    } else if (!OpenNamed(input) || way_ != Way::Direct) {
        return way_ != Way::None;
    }
    struct stat direct {};
    if (::fstat(fd_, &direct) == 0 && IsInput(direct, input)) {
        Discard();
        return Fail("It is the input file: nothing was written");
    }
    return true;
}

bool FileReplacement::OpenNamed(const std::string& input) {
    int error = 0;
    if (!FollowLinks(target_, error))
        return Fail(error);
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode) && targets_ == Targets::RegularFiles)
        return Fail(NotRegularFile);
    if (exists && S_ISDIR(st.st_mode))
        return Fail(EISDIR);
    if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        // Non-blocking open: a FIFO nobody reads fails at once instead of waiting.
        if (!OpenDirect(::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)))
            return false;
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        return true;
    }
    if (exists && !S_ISREG(st.st_mode))
        return Fail("Not a regular file, a pipe or a character device");
    // The input must be refused before anything, the temporary file included, exists.
    if (exists && IsInput(st, input))
        return Fail("It is the input file: nothing was written");
    if (!CreateTemporary(error)) {
        // A folder that refuses new files may still hold a writable file.
        if (!exists || (error != EACCES && error != EPERM))
            return Fail(error);
        const int fd = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return Fail(errno);
        fd_ = fd;
        way_ = Way::InPlace;
        return true;
    }
    // The replacement takes the place of the old file: its mode and, where the system allows,
    // its owner; a new file gets the mode a new file would get (mkostemp creates it private).
    // Applied by Commit, since writing clears set-ID bits.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    keep_ = exists;
    mode_ = exists ? st.st_mode & 07777 : 0666 & ~mask;
    owner_ = st.st_uid;
    group_ = st.st_gid;
    return true;
}

bool FileReplacement::Write(const void* data, std::size_t size) {
    const auto* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, at, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) { // an inherited descriptor may be non-blocking
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, -1);
                continue;
            }
            return Fail(errno);
        }
        at += n;
        size -= static_cast<std::size_t>(n);
        written_ += n;
    }
    StartWriteback();
    return true;
}

void FileReplacement::Reserve(off_t bytes) {
    if (way_ != Way::Direct && fd_ >= 0 && bytes > 0)
        ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, bytes); // only a help: a refusal changes nothing
}

// A file on disk starts writing each finished stretch to the disk while the rest is still
// being made, so that the sync before the rename finds little left to do; the stretch before
// it, on the disk by then, leaves the page cache, so that a long export neither crowds out
// everything else nor makes the memory it needs be found piece by piece. Only requests: the
// sync of Commit keeps the guarantee.
void FileReplacement::StartWriteback() {
    constexpr off_t Stretch = off_t{8} << 20;
    if (way_ == Way::Direct || written_ - writebackFrom_ < Stretch)
        return;
    if (writebackFrom_ >= Stretch) {
        const off_t before = writebackFrom_ - Stretch;
        ::sync_file_range(fd_, before, Stretch,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                              SYNC_FILE_RANGE_WAIT_AFTER);
        ::posix_fadvise(fd_, before, Stretch, POSIX_FADV_DONTNEED);
    }
    ::sync_file_range(fd_, writebackFrom_, written_ - writebackFrom_, SYNC_FILE_RANGE_WRITE);
    writebackFrom_ = written_;
}

bool FileReplacement::Commit() {
    if (fd_ < 0)
        return Fail(EBADF);
    const bool regular = way_ != Way::Direct;
    if (way_ == Way::Replace) {
        if (keep_) [[maybe_unused]]
            const int owned = ::fchown(fd_, owner_, group_);
        ::fchmod(fd_, mode_);
    }
    // A replacement must be on disk before it takes the old file's name.
    if (regular && ::fsync(fd_) != 0 && errno != EINVAL) {
        const int error = errno;
        Discard();
        return Fail(error);
    }
    const int closed = ::close(fd_);
    const int closeError = errno;
    fd_ = -1;
    if (closed != 0 && closeError != EINTR) {
        Discard();
        return Fail(closeError);
    }
    if (way_ == Way::Replace) {
        const SignalsBlocked blocked;
        if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
            const int error = errno;
            Discard();
            return Fail(error);
        }
        Unregister(registration_);
        registration_ = -1;
        temporary_.clear();
    }
    way_ = Way::None;
    return true;
}

void FileReplacement::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        const SignalsBlocked blocked;
        ::unlink(temporary_.c_str());
        Unregister(registration_);
        registration_ = -1;
        temporary_.clear();
    }
    way_ = Way::None;
}

void FileReplacement::RemoveTemporaryOnSignals() {
    for (int s : HandledSignals) {
        struct sigaction previous {};
        if (::sigaction(s, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = &RemovePendingAndEnd;
        sigemptyset(&action.sa_mask);
        for (int other : HandledSignals)
            sigaddset(&action.sa_mask, other);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(s, &action, nullptr);
    }
}

} // namespace quavril
