// The program as a real process on a private session bus: which preset file the start loads,
// the message table reaching the real session, the orderly end that stores every setting
// (SIGTERM), with two copies closing in turn, and the desktop's media controls through playerctl.
#include "app/GeneratorPeers.h"
#include "files/PresetFile.h"
#include "tests/app/GeneratorProcess.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TestSlots.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>

using namespace quavril;
using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "program_run_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// One running `quavril` (offscreen, with its settings in the test's folder), asked over the
// bus.
class Program : public GeneratorProcess {
public:
    Program(const fs::path& dir, const std::vector<std::string>& args)
        : GeneratorProcess(dir, args, {}, std::string(QUAVRIL_BIN_DIR) + "/quavril") {
        ready_ = WaitFor([this] { return Call("Title").type() == QDBusMessage::ReplyMessage; });
    }
    bool Ready() const { return ready_; }
    QDBusMessage Call(const QString& method, const QList<QVariant>& args = {}) const {
        App();
        QDBusMessage call = QDBusMessage::createMethodCall(GeneratorPeers::ServiceName(Pid()),
                                                           GeneratorPeers::ObjectPath,
                                                           GeneratorPeers::Interface, method);
        call.setArguments(args);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    }
    void Message(int code, int w = 0, int l = 0) { Call("Message", {code, w, l}); }
    std::string Value(const char* name) const {
        return Call("Value", {QString(name)}).arguments().value(0).toString().toStdString();
    }

private:
    bool ready_ = false;
};

// A sound card that takes the samples at a bounded pace: the default device writes into a named
// pipe that this reader empties by at most 2048 bytes every 10 ms (an unpaced device would let a
// looping signal fill the disk). Samples are 16-bit little-endian.
class PacedCapture {
public:
    explicit PacedCapture(const fs::path& fifo) {
        ::mkfifo(fifo.c_str(), 0600);
        fd_ = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        reader_ = std::thread([this] {
            for (int16_t chunk[1024]; !stop_;
                 std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
                const ssize_t n = ::read(fd_, chunk, sizeof chunk);
                const std::lock_guard lock(mutex_);
                samples_.insert(samples_.end(), chunk, chunk + std::max<ssize_t>(n, 0) / 2);
            }
        });
    }
    ~PacedCapture() {
        stop_ = true;
        reader_.join();
        ::close(fd_);
    }
    std::vector<int16_t> Samples() {
        const std::lock_guard lock(mutex_);
        return samples_;
    }

private:
    int fd_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::vector<int16_t> samples_;
};

// playerctl's answer for one running program.
std::string Playerctl(const Program& p, const QStringList& args) {
    QProcess ctl;
    ctl.start("playerctl",
              QStringList{"--player", QString("quavril.instance%1").arg(p.Pid())} + args);
    EXPECT_TRUE(ctl.waitForFinished(10000)) << args.join(' ').toStdString();
    return ctl.readAllStandardOutput().trimmed().toStdString();
}

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetUp("program-run");
        // A device list with one entry that plays nowhere; nothing here plays.
        const fs::path conf = files.dir / "only.conf";
        std::ofstream(conf)
            << "pcm.!default { type null }\n"
               "pcm.spare {\n type null\n hint { show on description \"Spare\" }\n}\n";
        ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_CONFIG_HOME", (files.dir / "config").c_str(), 1);
        fs::create_directories(files.dir / "config" / "Orvande");
        FreshSettings();
    }
    // Only the output settings stored, at 44100 Hz: the other settings fall back to defaults.
    void FreshSettings() { std::ofstream(ConfigFile()) << "[Software]\nOrvande\\Quavril\\Fs=3\n"; }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        files.TearDown();
    }
    fs::path ConfigFile() const { return files.dir / "config" / "Orvande" / "Quavril.conf"; }
    std::string Stored(const std::string& name) const {
        std::ifstream in(ConfigFile());
        for (std::string line; std::getline(in, line);)
            if (line.rfind("Orvande\\Quavril\\" + name + "=", 0) == 0)
                return line.substr(line.find('=') + 1);
        return "<missing>";
    }
    // A bank whose slot 1 has a frequency no other bank has.
    fs::path Bank(const std::string& name) {
        PresetBank bank;
        for (int n = 1; n <= 4; ++n)
            bank.Slot(n) = ToneSlot("Test " + std::to_string(n), "1234", "1");
        const fs::path path = files.dir / name;
        EXPECT_TRUE(SavePresetFile(path.string(), bank));
        return path;
    }

    CliFixture files;
};

// Slot 1 after the start tells which bank was loaded: 1234 Hz from the test's bank, 1000 Hz
// and -20 dBFS from the shipped examples, the start settings (0 dBFS) when nothing was loaded.
TEST_F(ProgramRun, theArgumentDecidesWhichBankIsLoaded) {
    const std::string preset = Bank("tone.qvl.bak").string();
    fs::copy_file(preset, files.dir / "Test.QVL");
    const std::vector<std::pair<std::vector<std::string>, std::pair<std::string, std::string>>>
        cases{
            {{preset}, {"1234", "0"}},
            {{}, {"1000", "-20"}},
            {{(files.dir / "Test.QVL").string()}, {"1000", "0"}},
            {{(files.dir / "missing.qvl").string()}, {"1000", "0"}},
        };
    for (const auto& [args, expected] : cases) {
        FreshSettings();
        Program p(files.dir, args);
        ASSERT_TRUE(p.Ready()) << (args.empty() ? "" : args[0]);
        p.Message(1048, 0, 1);
        EXPECT_EQ(p.Value("fInitLeft"), expected.first) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(p.Value("AmplitudeLeft"), expected.second) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(p.Terminate(), 0);
    }
}

TEST_F(ProgramRun, messagesReachTheRealSessionAndSigtermStoresEverySetting) {
    {
        Program p(files.dir, {});
        ASSERT_TRUE(p.Ready());
        p.Message(1031, 100050);
        p.Message(1038, 3);
        p.Message(1039, 45);
        p.Message(1035, 1);
        EXPECT_EQ(p.Value("fInitLeft"), "1000.5");
        EXPECT_EQ(p.Value("mono"), "0");
        EXPECT_EQ(p.Call("Playing").arguments().value(0).toBool(), false);
        EXPECT_EQ(p.Terminate(), 0);
    }
    EXPECT_EQ(Stored("fInitLeft"), "1000.5");
    EXPECT_EQ(Stored("mono"), "0");
    EXPECT_EQ(Stored("PhaseEdit"), "45");
    EXPECT_EQ(Stored("txtRound"), "1");
    EXPECT_EQ(Stored("DisplayW"), "224");
    // The next start shows them again.
    Program again(files.dir, {});
    ASSERT_TRUE(again.Ready());
    EXPECT_EQ(again.Value("fInitLeft"), "1000.5");
    EXPECT_EQ(again.Value("PhaseEdit"), "45");
    EXPECT_EQ(again.Value("Loop"), "1");
}

// A batch run is a generator on the bus like a window (other programs and synchronised
// windows reach it), but unlike a window it never stores the settings, SIGTERM included.
TEST_F(ProgramRun, aBatchRunIsOnTheBusAndLeavesTheStoredSettingsAlone) {
    const fs::path script = files.dir / "wait.qvs";
    std::ofstream(script) << "play 1 " << Bank("bank.qvl").string() << "\ndelay 60\nend\n";
    const std::string before = ReadText(ConfigFile());
    Program p(files.dir, {"--batch", script.string()});
    ASSERT_TRUE(p.Ready());
    EXPECT_EQ(p.Call("Title").arguments().value(0).toString(), "Quavril 3.92");
    // The script's slot is in the controls.
    EXPECT_TRUE(WaitFor([&] { return p.Value("fInitLeft") == "1234"; }));
    p.Message(1031, 50000);
    EXPECT_EQ(p.Value("fInitLeft"), "500");
    EXPECT_EQ(p.Terminate(), 1);
    EXPECT_EQ(ReadText(ConfigFile()), before);
}

TEST_F(ProgramRun, ofTwoCopiesTheOneClosedLastIsStored) {
    Program a(files.dir, {});
    Program b(files.dir, {});
    ASSERT_TRUE(a.Ready() && b.Ready());
    a.Message(1031, 11100);
    a.Message(1034, 30);
    b.Message(1031, 22200);
    EXPECT_EQ(b.Terminate(), 0);
    EXPECT_EQ(Stored("fInitLeft"), "222");
    EXPECT_EQ(a.Terminate(), 0);
    EXPECT_EQ(Stored("fInitLeft"), "111");
    EXPECT_EQ(Stored("Duration"), "3");
}

// The media controls reach the real program: playerctl shows the signal, starts, holds and
// stops it (the tone is really played), sees a start given over the generator's own interface,
// and Quit ends the program in order.
TEST_F(ProgramRun, mediaControlsDriveTheRealProgram) {
    const fs::path fifo = files.dir / "capture.fifo";
    files.UseOnlyCaptureDefault(fifo);
    PacedCapture capture(fifo);
    Program p(files.dir, {});
    ASSERT_TRUE(p.Ready());
    p.Message(1040, -20);
    p.Message(1035, 1); // looping: the tone plays until it is stopped
    EXPECT_EQ(Playerctl(p, {"metadata", "title"}), "Sine 1000 Hz, −20 dBFS");
    const std::vector<std::pair<std::function<void()>, std::string>> steps{
        {[&] {
             Playerctl(p, {"play-pause"});
             // A second of the tone.
             WaitFor([&] { return capture.Samples().size() >= 44100; });
         },
         "Playing"},
        {[&] { Playerctl(p, {"play-pause"}); }, "Paused"},
        {[&] { Playerctl(p, {"play-pause"}); }, "Playing"},
        {[&] { Playerctl(p, {"stop"}); }, "Stopped"},
        {[&] { p.Message(1024); }, "Playing"},
        {[&] { Playerctl(p, {"stop"}); }, "Stopped"},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].first();
        EXPECT_EQ(Playerctl(p, {"status"}), steps[i].second) << "step " << i;
    }
    // The first second played: 1000 Hz at -20 dBFS.
    const std::vector<int16_t> samples = capture.Samples();
    ASSERT_GE(samples.size(), 44100u);
    int rising = 0, peak = 0;
    for (size_t i = 1; i < 44100; ++i) {
        rising += samples[i - 1] < 0 && samples[i] >= 0;
        peak = std::max(peak, std::abs(int{samples[i]}));
    }
    EXPECT_NEAR(rising, 1000, 1);
    EXPECT_NEAR(peak, 3277, 2);
    App();
    const QDBusMessage quit = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(
            QString("org.mpris.MediaPlayer2.quavril.instance%1").arg(p.Pid()),
            "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2", "Quit"),
        QDBus::Block, 10000);
    EXPECT_EQ(quit.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(p.WaitForEnd(), 0);
    EXPECT_EQ(Stored("AmplitudeLeft"), "-20");
}

} // namespace
