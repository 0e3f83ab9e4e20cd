#pragma once
// Generators as real processes for the tests of running copies together (tests/fake_generator
// unless another program is named): started with arguments and extra environment, their
// stdout lines read back.
#include "tests/support/CliProcess.h"

#include <filesystem>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quavril::test {

class GeneratorProcess {
public:
    GeneratorProcess(const std::filesystem::path& dir, const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& env = {},
                     const std::string& program = std::string(QUAVRIL_TEST_DIR) +
                                                  "/fake_generator") {
        static int serial = 0;
        out_ = dir / ("generator" + std::to_string(++serial) + ".out");
        err_ = dir / ("generator" + std::to_string(serial) + ".err");
        pid_ = ::fork();
        if (pid_ == 0) {
            for (const auto& [name, value] : env)
                ::setenv(name.c_str(), value.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            if (!std::freopen(out_.c_str(), "w", stdout) ||
                !std::freopen(err_.c_str(), "w", stderr))
                ::_exit(127);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~GeneratorProcess() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGCONT);
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    GeneratorProcess(const GeneratorProcess&) = delete;
    GeneratorProcess& operator=(const GeneratorProcess&) = delete;

    pid_t Pid() const { return pid_; }
    std::string Out() const { return ReadText(out_); }
    std::string Err() const { return ReadText(err_); }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(Out());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    int Count(const std::string& line) const {
        int n = 0;
        for (const auto& l : Lines())
            n += l == line;
        return n;
    }
    // The lines that start with `prefix`, in order.
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& l : Lines())
            if (l.rfind(prefix, 0) == 0)
                found.push_back(l);
        return found;
    }
    bool WaitForLine(const std::string& line, int count = 1) const {
        return WaitFor([&] { return Count(line) >= count; });
    }
    // Ends the process in order (SIGTERM) and returns its exit status, -1 when it did not end.
    int Terminate() {
        ::kill(pid_, SIGTERM);
        return WaitForEnd();
    }
    // The exit status once the process has ended by itself, -1 when it did not end.
    int WaitForEnd() {
        int raw = 0;
        if (!WaitFor([&] { return ::waitpid(pid_, &raw, WNOHANG) == pid_; }))
            return -1;
        ended_ = true;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

private:
    std::filesystem::path out_, err_;
    pid_t pid_ = -1;
    bool ended_ = false;
};

} // namespace quavril::test
