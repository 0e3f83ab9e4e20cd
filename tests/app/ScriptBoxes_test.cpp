// A script started as `quavril FILE.qvs` on a desktop (a private X server): its messages are
// boxes a person answers, and the exit status still tells that a message was shown.
#include "tests/support/CliProcess.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

// The id of the first window whose title is exactly `title`, waiting at most 20 s; empty when
// there is none.
std::string WindowNamed(const std::string& title) {
    std::string id;
    WaitFor([&] {
        std::istringstream(
            CommandOutput("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null")) >>
            id;
        return !id.empty();
    });
    return id;
}

TEST(ScriptBoxes, aMissingPresetIsABoxThenTheScriptGoesOnAndEndsWithStatusOne) {
    CliFixture files;
    files.SetUp("script-boxes");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("XDG_CONFIG_HOME", (files.dir / "config").c_str(), 1);
    std::ofstream(files.dir / "run.qvs") << "play 1 missing.qvl\nrem after\nend\n";
    const pid_t pid = files.Spawn({(files.dir / "run.qvs").string()}, "quavril");
    const std::string box = WindowNamed("Quavril");
    ASSERT_FALSE(box.empty()) << "no message box";
    // The script waits for the person: the program is still there.
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), 0);
    EXPECT_EQ(std::system(("xdotool windowfocus --sync " + box + " key Return").c_str()), 0);
    const CliResult r = files.Wait(pid, 20000);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "");
    ::unsetenv("XDG_CONFIG_HOME");
    files.TearDown();
}

} // namespace
