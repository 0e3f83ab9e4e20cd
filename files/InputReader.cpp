#include "files/InputReader.h"

#include "files/StandardStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavril {

namespace {

std::string SystemText(int error) {
    return std::strerror(error);
}

// Closes a descriptor it owns on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

bool InputReader::Fail(const std::string& reason) {
    reason_ = reason;
    return false;
}

bool InputReader::Read(const std::string& path, std::vector<uint8_t>& bytes) {
    reason_.clear();
    openFailed_ = false;
    int fd;
    if (const auto stream = StandardStreamOf(path)) {
        fd = ::fcntl(*stream, F_DUPFD_CLOEXEC, 3);
    } else {
        // Look before opening: opening a device or a FIFO can itself have effects or wait.
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            openFailed_ = true;
            return Fail(SystemText(errno));
        }
        if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))
            return Fail("not a regular file or a pipe");
        // Non-blocking: a FIFO without a writer opens at once instead of waiting for one.
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    }
    if (fd < 0) {
        openFailed_ = true;
        return Fail(SystemText(errno));
    }
    const Descriptor owned(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return Fail(SystemText(errno));
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))
        return Fail("not a regular file or a pipe");
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > limit_)
        return Fail("larger than " + std::to_string(limit_) + " bytes");
    return ReadFrom(fd, S_ISFIFO(st.st_mode), bytes);
}

bool InputReader::ReadFrom(int fd, bool pipe, std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> read;
    uint8_t chunk[4096];
    for (;;) {
        if (pipe) {
            // Wait for data or the writer's end, so that a read never blocks (standard input
            // keeps its own flags). A FIFO nobody has opened for writing yet reports neither,
            // so the wait ends at the time limit.
            pollfd p{fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, pipeWaitMs_);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0)
                return Fail(SystemText(errno));
            if (ready == 0)
                return Fail("nothing arrived through the pipe within " +
                            std::to_string((pipeWaitMs_ + 999) / 1000) + " s");
        }
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return Fail(SystemText(errno));
        if (n == 0)
            break;
        if (read.size() + static_cast<std::size_t>(n) > limit_)
            return Fail("larger than " + std::to_string(limit_) + " bytes");
        read.insert(read.end(), chunk, chunk + n);
    }
    bytes = std::move(read);
    return true;
}

} // namespace quavril
