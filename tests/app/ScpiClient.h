// A blocking TCP client of the SCPI server with bounded waits, usable from any thread.
#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace quavril::test {

using Clock = std::chrono::steady_clock;

class Client {
public:
    Client(int port, const char* source = "127.0.0.1") {
        sockaddr_in from{AF_INET, 0, {}, {}},
            to{AF_INET, htons(static_cast<uint16_t>(port)), {}, {}};
        ::inet_pton(AF_INET, source, &from.sin_addr);
        ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~Client() { ::close(fd_); }
    bool Connected() const { return connected_; }
    bool Send(std::string_view data) {
        for (ssize_t n = 0; !data.empty(); data.remove_prefix(static_cast<size_t>(n)))
            if ((n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL)) <= 0)
                return false;
        return true;
    }
    // The next line, nothing when none came within `ms` or the connection ended.
    std::optional<std::string> ReadLine(int ms = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (buffer_.find('\n') == std::string::npos) {
            char chunk[4096];
            const ssize_t n = Receive(chunk, sizeof chunk, end);
            if (n <= 0)
                return std::nullopt;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
        const size_t nl = buffer_.find('\n');
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return line;
    }
    std::optional<std::string> Query(const std::string& line, int ms = 5000) {
        return Send(line + "\n") ? ReadLine(ms) : std::nullopt;
    }
    // The server ended the connection within `ms` (everything it sent before is skipped).
    bool ClosedWithin(int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        char chunk[65536];
        ssize_t n;
        while ((n = Receive(chunk, sizeof chunk, end)) > 0) {
        }
        return n == 0 || errno != ETIMEDOUT;
    }

private:
    // What recv gives, or -1 with ETIMEDOUT when nothing came before `end`.
    ssize_t Receive(char* into, size_t size, Clock::time_point end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        return ::recv(fd_, into, size, 0);
    }

    int fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    bool connected_ = false;
    std::string buffer_;
};

} // namespace quavril::test
