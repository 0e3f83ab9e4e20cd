// The program as a real process on a private session bus: which preset file the start loads,
// the message table reaching the real session, and the orderly end that stores every setting
// (SIGTERM), with two copies closing in turn.
#include "app/GeneratorPeers.h"
#include "files/PresetFile.h"
#include "tests/app/GeneratorProcess.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TestSlots.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <fstream>
#include <gtest/gtest.h>

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
    EXPECT_EQ(Stored("Loop"), "1");
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

} // namespace
