// quavril-cli send and generators through real processes: fake generators on a private
// session bus, the tool run as a user would.
#include "tests/app/GeneratorProcess.h"
#include "tests/support/CliProcess.h"

#include <gtest/gtest.h>

using namespace quavril::test;

namespace {

class CliSendTest : public ::testing::Test {
protected:
    CliFixture cli;
    void SetUp() override { cli.SetUp("send"); }
    void TearDown() override { cli.TearDown(); }

    std::unique_ptr<GeneratorProcess> Start(const std::vector<std::string>& args = {}) {
        auto p = std::make_unique<GeneratorProcess>(cli.dir, args);
        EXPECT_TRUE(p->WaitForLine("ready bus")) << p->Out() << p->Err();
        return p;
    }
};

TEST_F(CliSendTest, generatorsListsEveryRunningGeneratorInPidOrder) {
    auto a = Start();
    auto b = Start({"--title", "Quavril 3.91"});
    const CliResult r = cli.Run({"generators"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(a->Pid()) + "\tQuavril 3.92\n" + std::to_string(b->Pid()) +
                         "\tQuavril 3.91\n");
}

// Without --pid the message goes to every generator of this version, as the Sync box sends.
TEST_F(CliSendTest, sendWithoutPidReachesEveryGeneratorOfThisVersionOnly) {
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const Case cases[] = {
        {{"on"}, "message 1024 0 0"},
        {{"off"}, "message 1025 0 0"},
        {{"pause"}, "message 1026 0 0"},
        {{"1031", "100050"}, "message 1031 100050 0"},
        {{"1042", "-2147483648", "2147483647"}, "message 1042 -2147483648 2147483647"},
        {{"1049", "-1", "-1"}, "message 1049 -1 -1"},
    };
    auto a = Start();
    auto b = Start();
    auto other = Start({"--title", "Quavril 3.91"});
    for (const Case& c : cases) {
        std::vector<std::string> args{"send"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = cli.Run(args);
        EXPECT_EQ(r.status, 0) << c.line << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(a->Count(c.line), 1) << c.line;
        EXPECT_EQ(b->Count(c.line), 1) << c.line;
    }
    EXPECT_TRUE(other->LinesStartingWith("message").empty());
}

TEST_F(CliSendTest, sendWithPidReachesThatGeneratorWhateverItsTitle) {
    auto a = Start();
    auto other = Start({"--title", "Quavril 3.91"});
    const CliResult r = cli.Run({"send", "1040", "-6", "--pid", std::to_string(other->Pid())});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(other->LinesStartingWith("message"), std::vector<std::string>{"message 1040 -6 0"});
    EXPECT_TRUE(a->LinesStartingWith("message").empty());
}

// A generator whose action failed says why: one line per such generator, status 1; the
// others are still reached. gdbus's "--" is taken too, so negative numbers pass either way.
TEST_F(CliSendTest, aFailedActionIsPrintedAndEndsWithStatusOne) {
    auto good = Start();
    auto bad = Start({"--fail", "Sound Device Error: \rNo such output device."});
    const std::string line = "quavril-cli: generator " + std::to_string(bad->Pid()) +
                             ": Sound Device Error: No such output device.\n";
    const CliResult all = cli.Run({"send", "on"});
    EXPECT_EQ(all.status, 1);
    EXPECT_EQ(all.err, line);
    EXPECT_EQ(good->Count("message 1024 0 0"), 1);
    const CliResult one = cli.Run({"send", "on", "--pid", std::to_string(bad->Pid())});
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.err, line);
    const CliResult off =
        cli.Run({"send", "--pid", std::to_string(bad->Pid()), "--", "1040", "-6"});
    EXPECT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(bad->Count("message 1040 -6 0"), 1);
}

TEST_F(CliSendTest, sendThatReachesNoGeneratorFailsWithStatusOne) {
    const CliResult none = cli.Run({"send", "on"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "quavril-cli: no running generator\n");
    const CliResult listed = cli.Run({"generators"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "");

    auto other = Start({"--title", "Quavril 3.91"});
    EXPECT_EQ(cli.Run({"send", "on"}).status, 1) << "another version is no generator of ours";
    const std::string notGenerator = std::to_string(::getpid());
    const CliResult byPid = cli.Run({"send", "on", "--pid", notGenerator});
    EXPECT_EQ(byPid.status, 1);
    EXPECT_EQ(byPid.err, "quavril-cli: no running generator\n");
    EXPECT_TRUE(other->LinesStartingWith("message").empty());
}

TEST_F(CliSendTest, badArgumentsFailWithStatusTwoAndOneLine) {
    const std::vector<std::vector<std::string>> cases = {
        {"send"},
        {"send", "start"},
        {"send", "1024", "1", "2", "3"},
        {"send", "2147483648"},
        {"send", "-2147483649"},
        {"send", "1031", "1.5"},
        {"send", "1031", "0x10"},
        {"send", "1042", "1", "+"},
        {"send", "on", "--pid"},
        {"send", "on", "--pid", "0"},
        {"send", "on", "--pid", "-5"},
        {"send", "on", "--wait"},
        {"generators", "extra"},
    };
    auto a = Start();
    for (const auto& args : cases) {
        const CliResult r = cli.Run(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("quavril-cli: ", 0), 0u) << r.err;
    }
    EXPECT_TRUE(a->LinesStartingWith("message").empty());
}

} // namespace
