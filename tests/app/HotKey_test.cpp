// The Ctrl+Insert hot key under a private virtual X server, pressed with plain
// `xdotool key` (XTEST, as a real keyboard would): the first copy holds it, the second not.
#include "tests/app/GeneratorProcess.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace quavril::test;

namespace {

const std::vector<std::pair<std::string, std::string>> OnX11 = {{"QT_QPA_PLATFORM", "xcb"}};

void Xdotool(const std::string& args) {
    ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args;
}

class HotKeyTest : public ::testing::Test {
protected:
    CliFixture files;
    void SetUp() override { files.SetUp("hotkey"); }
    void TearDown() override { files.TearDown(); }
};

// With Caps Lock or Num Lock on the key must work as well; each press toggles once.
TEST_F(HotKeyTest, firstCopyReactsToEveryPressWhateverTheLockKeysAndSecondCopyDoesNot) {
    GeneratorProcess first(files.dir, {"--hotkey"}, OnX11);
    ASSERT_TRUE(first.WaitForLine("hotkey grabbed")) << first.Out() << first.Err();
    GeneratorProcess second(files.dir, {"--hotkey"}, OnX11);
    ASSERT_TRUE(second.WaitForLine("hotkey none")) << second.Out() << second.Err();

    int presses = 0;
    for (const std::string lock : {"", "Caps_Lock", "Num_Lock"}) {
        if (!lock.empty())
            Xdotool("key " + lock);
        Xdotool("key ctrl+Insert");
        ++presses;
        EXPECT_TRUE(first.WaitForLine("trigger", presses)) << lock;
        // Trigger: On when off, Off when on.
        const char* expected = presses % 2 ? "message 1024 0 0" : "message 1025 0 0";
        EXPECT_TRUE(first.WaitForLine(expected, (presses + 1) / 2)) << lock;
        if (!lock.empty())
            Xdotool("key " + lock);
    }
    EXPECT_EQ(first.Count("trigger"), presses);
    EXPECT_EQ(second.Count("trigger"), 0);
    EXPECT_EQ(first.Terminate(), 0);
    EXPECT_EQ(first.Err(), "");
    EXPECT_EQ(second.Err(), "");
}

// A held key repeats; only the press switches, not every repeat.
TEST_F(HotKeyTest, heldKeyTriggersOnce) {
    GeneratorProcess g(files.dir, {"--hotkey"}, OnX11);
    ASSERT_TRUE(g.WaitForLine("hotkey grabbed")) << g.Out() << g.Err();
    Xdotool("keydown ctrl+Insert sleep 1.5 keyup ctrl+Insert");
    Xdotool("key ctrl+Insert");
    EXPECT_TRUE(g.WaitForLine("trigger", 2));
    EXPECT_EQ(g.Count("trigger"), 2) << g.Out();
}

TEST_F(HotKeyTest, withoutX11NothingIsGrabbedAndNothingSaid) {
    GeneratorProcess g(files.dir, {"--hotkey"}, {{"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_TRUE(g.WaitForLine("hotkey none")) << g.Out() << g.Err();
    EXPECT_EQ(g.Terminate(), 0);
    EXPECT_EQ(g.Err(), "");
}

} // namespace
