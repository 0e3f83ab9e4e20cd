// The program as a real process on a private session bus: which preset file the start loads,
// the message table reaching the real session, the orderly end that stores every setting
// (SIGTERM), with two copies closing in turn, the desktop's media controls through playerctl;
// messages that fail, a start without a sound card, and settings files that are damaged or no
// files at all.
#include "app/GeneratorPeers.h"
#include "files/PresetFile.h"
#include "synth/ControlFields.h"
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
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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
    QDBusMessage Call(const QString& method, const QList<QVariant>& args = {},
                      int timeoutMs = 10000) const {
        App();
        QDBusMessage call = QDBusMessage::createMethodCall(GeneratorPeers::ServiceName(Pid()),
                                                           GeneratorPeers::ObjectPath,
                                                           GeneratorPeers::Interface, method);
        call.setArguments(args);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, timeoutMs);
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
    // The sound devices the programs started next see.
    void Devices(const std::string& alsaConfig) {
        const fs::path conf = files.dir / "devices.conf";
        std::ofstream(conf) << alsaConfig;
        ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    }
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
// SIGTERM ends it in order: the signal stops, the run says so on one line and fails.
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
    // On the play line or in the delay after it.
    const std::string err = p.Err();
    EXPECT_EQ(err.rfind("quavril: " + script.string() + ":", 0), 0u) << err;
    EXPECT_TRUE(err.ends_with(": ended by a signal\n")) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
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

// Without any sound card the program says so, but only once it is on the bus. A start that
// fails (the default device has no card) answers each On at once with the error and its text,
// whatever comes meanwhile: 3000 of them leave the program running and its settings stored at
// the end. Neither keeps other programs waiting.
TEST_F(ProgramRun, noCardOrAFailingStartAnswersEveryMessageAtOnceAndLosesNothing) {
    Devices("pcm.!default { type null }\n");
    {
        Program none(files.dir, {});
        ASSERT_TRUE(none.Ready()) << none.Err();
        none.Message(1031, 50000);
        EXPECT_EQ(none.Value("fInitLeft"), "500");
        EXPECT_EQ(none.Terminate(), 0);
    }
    Devices("pcm.!default { type hw card 97 }\n"
            "pcm.spare {\n type null\n hint { show on description \"Spare\" }\n}\n");
    Program p(files.dir, {});
    ASSERT_TRUE(p.Ready());
    p.Message(1040, -6);
    int errors = 0;
    QString text;
    for (int i = 0; i < 3000; ++i) {
        const QDBusMessage reply = p.Call("Message", {1024, 0, 0}, 5000);
        errors += reply.type() == QDBusMessage::ErrorMessage &&
                  reply.errorName() == "org.orvande.Quavril.Error.Device";
        text = reply.errorMessage();
        if (errors <= i)
            break; // a missing answer (a box waited for) ends the flood at once
    }
    EXPECT_EQ(errors, 3000) << text.toStdString();
    EXPECT_TRUE(text.startsWith("Sound Device Error: \r")) << text.toStdString();
    EXPECT_EQ(p.Value("AmplitudeLeft"), "-6");
    EXPECT_FALSE(p.Call("Playing").arguments().value(0).toBool());
    EXPECT_EQ(p.Terminate(), 0);
    EXPECT_EQ(Stored("AmplitudeLeft"), "-6");
}

// Value answers every stored setting (output settings, device, windows included) as the end
// of the program then stores it, and the Sync box; Paused tells pause from play. Numbers
// with a sign pass through quavril-cli as they are.
TEST_F(ProgramRun, valueAnswersEveryStoredSettingAsTheEndStoresIt) {
    std::ofstream(ConfigFile()) << "[Software]\nOrvande\\Quavril\\Fs=3\n"
                                   "Orvande\\Quavril\\Buffers=0\nOrvande\\Quavril\\BufferSize=4\n";
    Program p(files.dir, {});
    ASSERT_TRUE(p.Ready());
    const std::string pid = std::to_string(p.Pid());
    for (const std::vector<std::string>& send :
         {std::vector<std::string>{"send", "1040", "-6", "--pid", pid},
          std::vector<std::string>{"send", "--pid", pid, "--", "1045", "-30", "45"},
          std::vector<std::string>{"send", "1027", "1", "--pid", pid},
          std::vector<std::string>{"send", "pause", "--pid", pid}})
        EXPECT_EQ(files.Run(send).status, 0) << send[1];
    EXPECT_TRUE(p.Call("Paused").arguments().value(0).toBool());
    EXPECT_FALSE(p.Call("Playing").arguments().value(0).toBool());
    EXPECT_EQ(p.Value("chkSync"), "1");
    EXPECT_EQ(p.Value("AmplitudeLeft"), "-6");
    EXPECT_EQ(p.Value("ModPhaseLeftEdit"), "-30");
    std::vector<std::pair<std::string, std::string>> answered;
    for (const char* name : {"Fs", "Buffers", "BufferSize", "MonitorFftSize", "frmSignalMonitor"})
        answered.emplace_back(name, p.Value(name));
    for (const SettingRow& row : SettingsTable())
        if (!row.Stored.empty())
            answered.emplace_back(std::string(row.Stored),
                                  p.Value(std::string(row.Stored).c_str()));
    EXPECT_EQ(answered.size(), 50u);
    EXPECT_EQ(p.Terminate(), 0);
    for (const auto& [name, value] : answered)
        EXPECT_EQ(Stored(name), value) << name;
}

class NotAFile : public ProgramRun, public ::testing::WithParamInterface<std::string> {};

// A FIFO, a link to a device (a null device of the test's own, never a node of the system) or
// a folder in the settings file's place: the start neither waits nor reads it, the end does
// not write it, and both say so on stderr.
TEST_P(NotAFile, isNeitherReadNorWrittenAndTheStartGoesOn) {
    fs::remove(ConfigFile());
    const std::string& kind = GetParam();
    const fs::path at = ConfigFile(), node = files.dir / "node";
    const bool made = kind == "a FIFO" ? ::mkfifo(at.c_str(), 0600) == 0
                      : kind == "a folder"
                          ? fs::create_directory(at)
                          : ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
                                ::symlink(node.c_str(), at.c_str()) == 0;
    if (!made)
        GTEST_SKIP() << "cannot make " << kind << " here";
    struct stat before {};
    ASSERT_EQ(::lstat(at.c_str(), &before), 0);
    Program p(files.dir, {});
    ASSERT_TRUE(p.Ready()) << p.Err();
    EXPECT_EQ(p.Value("fInitLeft"), "1000");
    EXPECT_EQ(p.Terminate(), 0);
    struct stat after {};
    ASSERT_EQ(::lstat(at.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    const std::string err = p.Err();
    const std::string said = " is " + kind + ", not a regular file: ";
    EXPECT_NE(err.find(said + "the settings are not read from it"), std::string::npos) << err;
    EXPECT_NE(err.find(said + "the settings are not written to it"), std::string::npos) << err;
    EXPECT_EQ(err.find("could not be written"), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(Nodes, NotAFile,
                         ::testing::Values("a FIFO", "a character device", "a folder"),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// A value its field refuses gives the defaults, a line that is no setting ("garbage") is
// skipped; either way the file is kept beside the new one, said once, with no false word of a
// failed write.
TEST_F(ProgramRun, aDamagedSettingsFileIsKeptAsideAndARefusedValueGivesTheDefaults) {
    {
        Program first(files.dir, {});
        ASSERT_TRUE(first.Ready());
        first.Message(1031, 50000);
        first.Message(1034, 25);
        ASSERT_EQ(first.Terminate(), 0);
    }
    const std::string stored = ReadText(ConfigFile()), q = "Orvande\\Quavril\\";
    for (const std::string& damage :
         {q + "fInitLeft=nan", q + "fFinalLeft=inf", q + "fInitLeft=1000, 2000",
          q + "fInitLeft=\xff\xfe", q + "fInitLeft=" + std::string(100000, '7'),
          q + "Duration=1e300", q + "Duration=nan", std::string("garbage")}) {
        SCOPED_TRACE(damage.substr(0, 40));
        // Every setting stored, then one of them damaged (the last line of a name counts).
        const std::string bytes = stored + damage + "\n";
        std::ofstream(ConfigFile(), std::ios::binary) << bytes;
        fs::remove(ConfigFile().string() + ".damaged");
        Program p(files.dir, {});
        ASSERT_TRUE(p.Ready()) << p.Err();
        const bool defaults = damage != "garbage";
        EXPECT_EQ(p.Value("fInitLeft"), defaults ? "1000" : "500");
        EXPECT_EQ(p.Value("Duration"), defaults ? "10" : "2.5");
        EXPECT_EQ(p.Terminate(), 0);
        EXPECT_EQ(ReadText(ConfigFile().string() + ".damaged"), bytes);
        std::vector<std::string> said;
        std::istringstream err(p.Err());
        for (std::string line; std::getline(err, line);)
            if (line.rfind("quavril: ", 0) == 0)
                said.push_back(line);
        ASSERT_EQ(said.size(), 1u) << p.Err();
        EXPECT_NE(said[0].find("it is kept as " + ConfigFile().string() + ".damaged"),
                  std::string::npos)
            << said[0];
        EXPECT_EQ(Stored("fInitLeft"), defaults ? "1000" : "500");
    }
}

} // namespace
