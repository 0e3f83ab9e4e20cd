// The real program with SCPI on, on a private session bus: a PyVISA script (pure-Python back
// end) sets a tone that the ALSA capture device records with that frequency and level; a port
// in use is reported while the generator runs on; copies take consecutive ports, which
// quavril-cli generators lists and *IDN? tells apart.
#include "tests/app/GeneratorProcess.h"
#include "tests/app/ScpiClient.h"
#include "tests/support/CliProcess.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

// A socket listening on `port` of the loopback address; -1 when the port is taken.
int Listen(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, htons(static_cast<uint16_t>(port)), {}, {}};
    ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 4) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// `count` consecutive ports that are free now.
int FreePorts(int count) {
    for (int first = 20000 + ::getpid() % 20000; first < 65000; first += count) {
        std::vector<int> held;
        for (int p = first; p < first + count; ++p)
            if (const int fd = Listen(p); fd >= 0)
                held.push_back(fd);
        for (int fd : held)
            ::close(fd);
        if (static_cast<int>(held.size()) == count)
            return first;
    }
    return 0;
}

bool Listening(int port) {
    return WaitFor([port] { return Client(port).Connected(); });
}

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

class ScpiProgram : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetUp("scpi-program");
        capture = files.dir / "capture.raw";
        files.UseOnlyCaptureDefault(capture);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_CONFIG_HOME", (files.dir / "config").c_str(), 1);
        fs::create_directories(files.dir / "config" / "Orvande");
        Store("Fs=3");
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        files.TearDown();
    }
    void Store(const std::string& values) {
        std::ofstream out(files.dir / "config" / "Orvande" / "Quavril.conf");
        out << "[Software]\n";
        std::istringstream in(values);
        for (std::string v; std::getline(in, v, ' ');)
            out << "Orvande\\Quavril\\" << v << "\n";
    }
    std::unique_ptr<GeneratorProcess> Quavril(const std::vector<std::string>& args) {
        return std::make_unique<GeneratorProcess>(
            files.dir, args, std::vector<std::pair<std::string, std::string>>{},
            std::string(QUAVRIL_BIN_DIR) + "/quavril");
    }
    // Runs a command to its end (60 s at most) and returns its stdout.
    std::string RunToEnd(const std::string& program, const std::vector<std::string>& args) {
        GeneratorProcess p(files.dir, args, {}, program);
        EXPECT_EQ(p.WaitForEnd(), 0) << p.Err();
        return p.Out();
    }

    CliFixture files;
    fs::path capture;
};

// The frequency from the rising zero crossings (interpolated) and the level in dBFS from the
// RMS over whole periods of the left channel of interleaved 16-bit stereo.
std::pair<double, double> MeasureLeft(const std::vector<int16_t>& frames, int rate) {
    std::vector<double> up;
    for (size_t i = 2; i < frames.size(); i += 2)
        if (const double a = frames[i - 2], b = frames[i]; a < 0 && b >= 0)
            up.push_back(static_cast<double>(i / 2 - 1) + -a / (b - a));
    if (up.size() < 2)
        return {0, -999};
    const auto from = static_cast<size_t>(std::ceil(up.front())),
               to = static_cast<size_t>(up.back());
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(frames[2 * i]) * frames[2 * i];
    return {static_cast<double>(up.size() - 1) * rate / (up.back() - up.front()),
            20 * std::log10(std::sqrt(2 * sum / static_cast<double>(to - from)) / 32767)};
}

// Played in real time through PipeWire (tests/audio/with_pipewire.sh; skipped without it), as
// a generator plays on a lab computer.
TEST_F(ScpiProgram, pyvisaScriptSetsTheToneThatTheDevicePlays) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !fs::exists(fs::path(runtime) / "pipewire-0"))
        GTEST_SKIP() << "no PipeWire server (run through tests/audio/with_pipewire.sh)";
    // The default device records what is played and passes it on to PipeWire.
    std::ofstream(files.dir / "pw.conf")
        << "pcm.!default {\n type file\n slave.pcm { type pipewire }\n file \"" << capture.string()
        << "\"\n format \"raw\"\n}\n"
           "pcm.spare {\n type null\n hint { show on description \"Spare\" }\n}\n";
    ::setenv("ALSA_CONFIG_PATH", (files.dir / "pw.conf").c_str(), 1);
    const int port = FreePorts(1);
    auto quavril = Quavril({"--scpi=127.0.0.1:" + std::to_string(port)});
    ASSERT_TRUE(Listening(port)) << quavril->Err();

    std::map<std::string, std::string> read;
    std::istringstream out(
        RunToEnd("/usr/bin/python3",
                 {QUAVRIL_SOURCE_DIR "/tests/app/scpi_pyvisa.py", std::to_string(port)}));
    for (std::string line; std::getline(out, line);)
        read[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    EXPECT_EQ(read["idn"], "Orvande,Quavril," + HostName() + ":" + std::to_string(port) + ",3.92");
    const std::map<std::string, std::string> expected{
        {"on", "1"},       {"off", "0"},    {"freq", "1234.5"}, {"volt", "-12"},
        {"unit", "DBFS"},  {"func", "SIN"}, {"right", "0"},     {"mode", "STER"},
        {"rate", "44100"}, {"time", "1"},   {"loop", "1"},      {"error", "0,\"No error\""}};
    for (const auto& [name, value] : expected)
        EXPECT_EQ(read[name], value) << name;
    EXPECT_EQ(quavril->Terminate(), 0);

    // What the device played: the left channel's tone, the right channel silent.
    const std::vector<uint8_t> bytes = ReadFile(capture);
    std::vector<int16_t> frames(bytes.size() / 2);
    std::memcpy(frames.data(), bytes.data(), frames.size() * 2);
    ASSERT_GE(frames.size(), 2u * 11025) << "captured " << bytes.size() << " bytes";
    const auto [hz, dBFS] = MeasureLeft(frames, 44100);
    EXPECT_NEAR(hz, 1234.5, 0.01);
    EXPECT_NEAR(dBFS, -12, 0.02);
    for (size_t i = 1; i < frames.size(); i += 2)
        ASSERT_EQ(frames[i], 0) << "the right channel plays at frame " << i / 2;
}

// Copies take consecutive ports from the stored one, which *IDN? tells apart; a port named on
// the command line that is in use is reported, and that copy runs on without SCPI. quavril-cli
// generators lists each copy with its port.
TEST_F(ScpiProgram, copiesTakeConsecutivePortsAndAPortInUseIsReported) {
    const int first = FreePorts(3);
    Store("Fs=3 ScpiServer=1 ScpiPort=" + std::to_string(first));
    auto one = Quavril({});
    ASSERT_TRUE(Listening(first)) << one->Err();
    auto two = Quavril({});
    ASSERT_TRUE(Listening(first + 1)) << two->Err();
    const std::string serial = "Orvande,Quavril," + HostName() + ":";
    EXPECT_EQ(Client(first).Query("*IDN?"), serial + std::to_string(first) + ",3.92");
    EXPECT_EQ(Client(first + 1).Query("*IDN?"), serial + std::to_string(first + 1) + ",3.92");
    const int holder = Listen(first + 2);
    ASSERT_GE(holder, 0);
    auto three = Quavril({"--scpi=127.0.0.1:" + std::to_string(first + 2)});
    const std::string said =
        "quavril: SCPI server: Not listening: 127.0.0.1:" + std::to_string(first + 2) +
        " is in use by another program\n";
    EXPECT_TRUE(WaitFor([&] { return three->Err().find(said) != std::string::npos; }))
        << three->Err();

    // Listed in the order of their process ids.
    std::map<int, std::string> listed{{one->Pid(), "\t" + std::to_string(first)},
                                      {two->Pid(), "\t" + std::to_string(first + 1)},
                                      {three->Pid(), ""}};
    std::string lines;
    for (const auto& [pid, port] : listed)
        lines += std::to_string(pid) + "\tQuavril 3.92" + port + "\n";
    EXPECT_EQ(RunToEnd(QUAVRIL_BIN_DIR "/quavril-cli", {"generators"}), lines);
    for (auto* copy : {one.get(), two.get(), three.get()})
        EXPECT_EQ(copy->Terminate(), 0);
    ::close(holder);
}

} // namespace
