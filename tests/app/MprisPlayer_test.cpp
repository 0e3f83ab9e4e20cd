// The media controls beside a generator window on the virtual device, on a private session bus:
// playerctl (a real client, as its own process) and the window's buttons drive one transport
// whose every change playerctl follows, the Sync box turns the controls into broadcasts, Next
// and Previous walk the memory slots, and the title follows the signal.
#include "app/MprisPlayer.h"
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/TestSlots.h"
#include "tests/ui/UiTestSupport.h"

#include <QProcess>
#include <cstring>

using namespace quavril;
using namespace quavril::test;

class MediaControls : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        player = std::make_unique<MprisPlayer>(*session);
        ASSERT_TRUE(player->Install());
        PresetBank bank;
        const char* names[] = {"First", "Second", "Third", "Fourth"};
        for (int n = 1; n <= 4; ++n)
            bank.Slot(n) = ToneSlot(names[n - 1], std::to_string(n * 1000), "5");
        session->RestoreBank(bank);
    }
    void TearDown() override {
        player.reset();
        WindowTest::TearDown();
    }
    // playerctl's answer to a command for this generator.
    std::string Playerctl(const QStringList& args) {
        QProcess p;
        p.start("playerctl", QStringList{"--player", Name()} + args);
        // This process answers playerctl's calls meanwhile.
        EXPECT_TRUE(RunUntil([&] { return p.state() == QProcess::NotRunning; }, 10000))
            << args.join(' ').toStdString();
        return p.readAllStandardOutput().trimmed().toStdString();
    }
    QString Name() const {
        return "quavril.instance" + QString::number(QCoreApplication::applicationPid());
    }

    std::unique_ptr<MprisPlayer> player;
};

TEST_F(MediaControls, windowAndPlayerctlDriveOneTransportThatPlayerctlFollows) {
    EXPECT_NE(Playerctl({"--list-all"}).find(Name().toStdString()), std::string::npos);
    // Follows PropertiesChanged: a line per change of state.
    QProcess follow;
    follow.start("playerctl", {"--player", Name(), "--follow", "status"});
    RunUntil([&] { return follow.canReadLine(); }, 10000);
    const std::vector<std::pair<std::function<void()>, std::string>> steps{
        {[&] { Click(window->btnON); }, "Playing"},
        {[&] { Click(window->btnPause); }, "Paused"},
        {[&] { Playerctl({"pause"}); }, "Paused"}, // no toggle back
        {[&] { Playerctl({"play"}); }, "Playing"},
        {[&] { Playerctl({"play-pause"}); }, "Paused"},
        {[&] { Playerctl({"play-pause"}); }, "Playing"},
        {[&] { Click(window->btnOFF); }, "Stopped"},
        {[&] { Playerctl({"pause"}); }, "Stopped"},
        {[&] { Playerctl({"play-pause"}); }, "Playing"},
        {[&] { Playerctl({"stop"}); }, "Stopped"},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].first();
        EXPECT_EQ(Playerctl({"status"}), steps[i].second) << "step " << i;
        EXPECT_EQ(session->Playing(), steps[i].second != "Stopped") << "step " << i;
    }
    const char* expected = "Stopped\nPlaying\nPaused\nPlaying\nPaused\nPlaying\nStopped\n"
                           "Playing\nStopped\n";
    RunUntil([&] { return follow.peek(1 << 16).size() >= qsizetype(std::strlen(expected)); },
             10000);
    follow.kill();
    follow.waitForFinished(10000);
    EXPECT_EQ(follow.readAllStandardOutput().toStdString(), expected);
    player->Release();
    EXPECT_EQ(Playerctl({"--list-all"}).find(Name().toStdString()), std::string::npos);
}

TEST_F(MediaControls, withSyncTheControlsBroadcastAsTheWindowsButtonsDo) {
    std::vector<MessageCode> sent;
    session->SetBroadcaster([&](MessageCode code) {
        sent.push_back(code);
        session->Dispatch(code, 0, 0);
    });
    window->chkSync->click();
    ASSERT_TRUE(session->Sync());
    using C = MessageCode;
    const std::vector<std::pair<const char*, std::vector<MessageCode>>> steps{
        {"play", {C::On}},    {"play-pause", {C::Pause}}, {"pause", {}},
        {"play", {C::Pause}}, {"pause", {C::Pause}},      {"stop", {C::Off}},
        {"pause", {}},        {"play-pause", {C::On}},    {"stop", {C::Off}},
    };
    for (const auto& [command, codes] : steps) {
        sent.clear();
        Playerctl({command});
        EXPECT_EQ(sent, codes) << command;
    }
}

TEST_F(MediaControls, nextAndPreviousWalkTheSlotsAndAPlayingGeneratorGoesOn) {
    const std::string start = player->Title().toStdString();
    Click(window->btnON);
    const std::vector<std::tuple<const char*, int, std::string>> steps{
        {"previous", 0, start},   {"next", 1, "First"},  {"next", 2, "Second"},
        {"previous", 1, "First"}, {"next", 2, "Second"}, {"next", 3, "Third"},
        {"next", 4, "Fourth"},    {"next", 4, "Fourth"}, {"previous", 3, "Third"},
    };
    for (const auto& [command, slot, title] : steps) {
        Playerctl({command});
        EXPECT_EQ(Playerctl({"metadata", "title"}), title) << command;
        EXPECT_EQ(Playerctl({"status"}), "Playing") << command;
        if (slot > 0) {
            EXPECT_EQ(Text(TextField::fInitLeft), std::to_string(slot * 1000)) << command;
        }
        EXPECT_EQ(player->CanGoNext(), slot < 4) << command;
        EXPECT_EQ(player->CanGoPrevious(), slot > 1) << command;
    }
}

TEST_F(MediaControls, theTitleIsTheRecalledSlotsNameUntilTheSignalChanges) {
    Click(window->MemButton[1]);
    EXPECT_EQ(Playerctl({"metadata", "title"}), "Second");
    EXPECT_EQ(Playerctl({"metadata", "mpris:trackid"}), "'/org/orvande/Quavril/Slot2'");
    session->RenameSlot(2, "Renamed");
    EXPECT_EQ(Playerctl({"metadata", "title"}), "Renamed");
    Type(Left().Amplitude, "-20");
    Leave();
    EXPECT_EQ(Playerctl({"metadata", "title"}), "Sine 2000 Hz, −20 dBFS");
    EXPECT_EQ(Playerctl({"metadata", "mpris:trackid"}), "'/org/orvande/Quavril/Signal'");
    // A bank loaded over the recalled slot takes its name away; the signal stays.
    Click(window->MemButton[1]);
    PresetBank other = session->Bank();
    other.Slot(2).fInitLeft = "50";
    session->RestoreBank(other);
    EXPECT_EQ(Playerctl({"metadata", "title"}), "Sine 2000 Hz, 0 dBFS");
}
