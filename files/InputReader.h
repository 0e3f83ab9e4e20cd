#pragma once
// Reads a whole small input (a preset or script file) into memory, so that no input can make
// the program wait forever or read without end: only regular files and pipes are read, at
// most `limit` bytes, and a pipe that stays silent ends the wait after `pipeWaitMs`.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quavril {

class InputReader {
public:
    // How long a pipe may stay silent (no writer yet, or a writer that sends nothing), ms.
    static constexpr int DefaultPipeWaitMs = 5000;

    InputReader(std::size_t limit, int pipeWaitMs = DefaultPipeWaitMs)
        : limit_(limit), pipeWaitMs_(pipeWaitMs) {}

    // Reads `path` ("/dev/stdin" and "/dev/fd/N" read the descriptor the process holds).
    // False with Reason() set: the system's text ("No such file or directory"), "not a regular
    // file or a pipe", "larger than N bytes" or "nothing arrived through the pipe within N s".
    bool Read(const std::string& path, std::vector<uint8_t>& bytes);
    const std::string& Reason() const { return reason_; }
    // Whether the failure happened when opening (the file is missing or not accessible).
    bool OpenFailed() const { return openFailed_; }

private:
    bool Fail(const std::string& reason);
    bool ReadFrom(int fd, bool pipe, std::vector<uint8_t>& bytes);

    std::size_t limit_;
    int pipeWaitMs_;
    std::string reason_;
    bool openFailed_ = false;
};

} // namespace quavril
