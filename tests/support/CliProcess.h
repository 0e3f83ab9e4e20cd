#pragma once
// Running quavril-cli from tests: a private folder, an ALSA configuration of test devices
// (ALSA_CONFIG_PATH for every child), blocking runs and spawned runs with their output.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quavril::test {

struct CliResult {
    int status = -1; // exit status; -1 when ended by a signal
    std::string out, err;
};

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What a shell command prints on standard output.
inline std::string CommandOutput(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

// Polls `done` every 5 ms for at most `limitMs` (a safety net, not a measurement).
inline bool WaitFor(const std::function<bool()>& done, int limitMs = 20000) {
    for (int waited = 0; !done(); waited += 5) {
        if (waited > limitMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class CliFixture {
public:
    std::filesystem::path dir;
    // The children's standard input when not negative (a pipe's read end, a file), else the
    // test's own.
    int stdinFd = -1;
    // Variables removed from the children's environment (DISPLAY for a start without one).
    std::vector<std::string> unsetInChild;

    void SetUp(const std::string& name) {
        dir = std::filesystem::temp_directory_path() /
              ("quavril-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        conf_ = dir / "asound.conf";
        std::ofstream(conf_).close();
        const std::string path = "/usr/share/alsa/alsa.conf:" + conf_.string();
        ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    }
    void TearDown() {
        ::unsetenv("ALSA_CONFIG_PATH");
        std::filesystem::remove_all(dir);
    }
    // Adds PCM definitions to the configuration the children read.
    void WriteAlsaConfig(const std::string& text) { std::ofstream(conf_, std::ios::app) << text; }
    // Adds a device `name` that records every frame played into `capture` (raw samples) and
    // passes them on to `slave` ("null" discards them at once, "pipewire" plays them in time).
    void AddCaptureDevice(const std::string& name, const std::filesystem::path& capture,
                          const std::string& slave, const std::string& description = "") {
        std::string text = "pcm." + name + " {\n    type file\n    slave.pcm \"" + slave +
                           "\"\n    file \"" + capture.string() + "\"\n    format \"raw\"\n";
        if (!description.empty())
            text += "    hint { show on description \"" + description + "\" }\n";
        WriteAlsaConfig(text + "}\n");
    }

    // Replaces the children's ALSA configuration with one of its own whose default device
    // records what it plays into `capture` (a file, or a named pipe that paces it). The
    // system's configuration is left out, so that no sound server takes the default device
    // over; a second device keeps the list from looking empty.
    void UseOnlyCaptureDefault(const std::filesystem::path& capture) {
        const std::filesystem::path conf = dir / "only.conf";
        std::ofstream(conf) << "pcm.!default {\n type file\n slave.pcm { type null }\n file \""
                            << capture.string()
                            << "\"\n format \"raw\"\n}\npcm.spare {\n type null\n"
                               " hint { show on description \"Spare\" }\n}\n";
        ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    }

    // A program of the build's bin folder; quavril-cli unless `name` says otherwise.
    pid_t Spawn(const std::vector<std::string>& args, const std::string& name = "quavril-cli") {
        const std::string program = std::string(QUAVRIL_BIN_DIR) + "/" + name;
        const std::string out = (dir / "stdout.txt").string();
        const std::string err = (dir / "stderr.txt").string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
                ::_exit(127);
            if (stdinFd >= 0 && ::dup2(stdinFd, 0) < 0)
                ::_exit(127);
            for (const auto& name : unsetInChild)
                ::unsetenv(name.c_str());
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        return pid;
    }
    // Waits for the child; one that has not ended after `limitMs` is killed (status -1).
    CliResult Wait(pid_t pid, int limitMs = 60000) {
        int raw = 0;
        CliResult r;
        const bool ended = WaitFor([&] { return ::waitpid(pid, &raw, WNOHANG) == pid; }, limitMs);
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &raw, 0);
            r.err = "killed after " + std::to_string(limitMs) + " ms\n";
        } else if (WIFEXITED(raw)) {
            r.status = WEXITSTATUS(raw);
        }
        r.out = ReadText(dir / "stdout.txt");
        r.err += ReadText(dir / "stderr.txt");
        return r;
    }
    CliResult Run(const std::vector<std::string>& args, int limitMs = 60000) {
        return Wait(Spawn(args), limitMs);
    }
    CliResult RunProgram(const std::string& name, const std::vector<std::string>& args,
                         int limitMs = 60000) {
        return Wait(Spawn(args, name), limitMs);
    }

private:
    std::filesystem::path conf_;
};

} // namespace quavril::test
