// Waits on the event loop: timers and other events keep being served while a wait lasts, and
// a wake ends it early. A script run uses them for its ticks.
#include "session/EventLoopWait.h"
#include "session/ScriptRun.h"
#include "tests/session/FakeScriptHost.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

namespace quavril {
namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "quavril-session-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

class EventLoopWaitTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }
};

TEST_F(EventLoopWaitTest, timersKeepRunningWhileAWaitLasts) {
    EventLoopWait wait;
    int fired = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++fired; });
    timer.start(0);
    EXPECT_FALSE(wait.Wait(EventLoopWait::TickMs)); // its time ran out, nobody woke it
    EXPECT_GT(fired, 0);
}

TEST_F(EventLoopWaitTest, wakeEndsTheWaitAndEveryWaitNestedInIt) {
    EventLoopWait wait;
    bool innerWoken = false;
    // A handler run by the outer wait waits itself; a later wake ends both.
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, &wait, &EventLoopWait::Wake);
        innerWoken = wait.Wait(20000);
    });
    EXPECT_TRUE(wait.Wait(20000));
    EXPECT_TRUE(innerWoken);
}

TEST_F(EventLoopWaitTest, waitUntilReturnsWhenTheConditionHoldsOrTheTimeIsUp) {
    EventLoopWait wait;
    bool done = false;
    QTimer::singleShot(0, [&] {
        done = true;
        wait.Wake();
    });
    EXPECT_TRUE(wait.WaitUntil([&] { return done; }, 20000));
    EXPECT_TRUE(wait.WaitUntil([] { return true; }, 0));
    EXPECT_FALSE(wait.WaitUntil([] { return false; }, 0));
    // Without a wake the condition is still seen at the next tick.
    done = false;
    QTimer::singleShot(0, [&] { done = true; });
    EXPECT_TRUE(wait.WaitUntil([&] { return done; }, 20000));
}

TEST_F(EventLoopWaitTest, aScriptRunServesEventsWhileItWaitsAndStopsOnRequest) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("s.qvs").toStdString();
    std::ofstream(path) << "delay 0.3\ndelay 1000\nend\n";
    test::FakeScriptHost host;
    ScriptRun run(host, host);
    int served = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++served;
        // The second delay would last a quarter of an hour: the stop button ends it.
        if (host.Label == "Line 2: delay")
            run.StopRequested();
    });
    timer.start(0);
    EXPECT_EQ(run.Run(path), ScriptOutcome::Finished);
    EXPECT_FALSE(run.Running());
    EXPECT_FALSE(host.PopupShown);
    EXPECT_TRUE(host.MainWindowEnabled);
    EXPECT_EQ(host.Label, "Line 2: delay");
    EXPECT_GT(served, 0);
    EXPECT_EQ(host.Ticks, 0); // the run's ticks are waits on the event loop
}

} // namespace
} // namespace quavril
