// Generators together on a private session bus: the exported object, the broadcast to every
// copy with the same title (itself included), two copies broadcasting at once, a peer that does
// not answer, commands given during the own broadcast, and a generator without a bus.
#include "app/GeneratorBus.h"
#include "app/GeneratorPeers.h"
#include "tests/app/GeneratorProcess.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDateTime>
#include <gtest/gtest.h>
#include <signal.h>

using namespace quavril;
using namespace quavril::test;

namespace {

const std::string OwnTitle = "Quavril 3.92";

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bus_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

QDBusMessage CallGenerator(pid_t pid, const QString& method, const QList<QVariant>& args = {},
                           const QString& interface = GeneratorPeers::Interface) {
    App();
    QDBusMessage call = QDBusMessage::createMethodCall(
        GeneratorPeers::ServiceName(pid), GeneratorPeers::ObjectPath, interface, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
}

std::string Now(int laterMs = 0) {
    return std::to_string(QDateTime::currentMSecsSinceEpoch() + laterMs);
}

class GeneratorBusTest : public ::testing::Test {
protected:
    CliFixture files;
    void SetUp() override { files.SetUp("bus"); }
    void TearDown() override { files.TearDown(); }

    std::unique_ptr<GeneratorProcess> Start(const std::vector<std::string>& args,
                                            const std::string& ready = "ready bus") {
        auto p = std::make_unique<GeneratorProcess>(files.dir, args);
        EXPECT_TRUE(p->WaitForLine(ready)) << p->Out() << p->Err();
        return p;
    }
};

TEST_F(GeneratorBusTest, objectAnswersTitlePlayingAndValueAndDescribesItsArguments) {
    auto g = Start({"--title", "Quavril 3.92"});
    EXPECT_EQ(CallGenerator(g->Pid(), "Title").arguments().value(0).toString(), "Quavril 3.92");
    EXPECT_FALSE(CallGenerator(g->Pid(), "Playing").arguments().value(0).toBool());
    // The reply comes after the action: Playing is already true when it arrives.
    EXPECT_EQ(CallGenerator(g->Pid(), "Message", {1024, 0, 0}).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(CallGenerator(g->Pid(), "Playing").arguments().value(0).toBool());
    EXPECT_FALSE(CallGenerator(g->Pid(), "Paused").arguments().value(0).toBool());
    CallGenerator(g->Pid(), "Message", {1026, 0, 0});
    EXPECT_TRUE(CallGenerator(g->Pid(), "Paused").arguments().value(0).toBool());

    const QDBusMessage unknown = CallGenerator(g->Pid(), "Value", {QString("noSuchSetting")});
    EXPECT_EQ(unknown.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(unknown.errorName(), "org.orvande.Quavril.Error.UnknownSetting");

    const QString xml =
        CallGenerator(g->Pid(), "Introspect", {}, "org.freedesktop.DBus.Introspectable")
            .arguments()
            .value(0)
            .toString();
    for (const char* part :
         {"<interface name=\"org.orvande.Quavril.Generator\">", "<method name=\"Title\">",
          "<arg name=\"code\" type=\"i\" direction=\"in\"/>",
          "<arg name=\"wParam\" type=\"i\" direction=\"in\"/>",
          "<arg name=\"lParam\" type=\"i\" direction=\"in\"/>", "<method name=\"Playing\">",
          "<arg name=\"playing\" type=\"b\" direction=\"out\"/>", "<method name=\"Paused\">",
          "<arg name=\"paused\" type=\"b\" direction=\"out\"/>",
          "<arg name=\"title\" type=\"s\" direction=\"out\"/>",
          "<arg name=\"value\" type=\"s\" direction=\"out\"/>",
          "<arg name=\"name\" type=\"s\" direction=\"in\"/>"})
        EXPECT_TRUE(xml.contains(part)) << part << "\n" << xml.toStdString();
    EXPECT_FALSE(xml.contains("deleteLater")) << "only the generator's methods are exported";
}

// Every code and parameter reaches the target unchanged, the extremes and codes without an
// action included, in the order they were sent.
TEST_F(GeneratorBusTest, messagesReachTheTargetWithTheirParametersUnchanged) {
    struct Case {
        int32_t code, w, l;
    };
    const Case cases[] = {{1024, 0, 0},     {1031, 100050, 0},
                          {1040, -6, 0},    {1042, INT32_MIN, INT32_MAX},
                          {1048, 1, 4},     {1049, INT32_MAX, INT32_MIN},
                          {0, -1, -1},      {INT32_MIN, 0, 0},
                          {INT32_MAX, 7, 8}};
    auto g = Start({});
    std::string expected;
    for (const Case& c : cases) {
        const QDBusMessage reply = CallGenerator(g->Pid(), "Message", {c.code, c.w, c.l});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << c.code;
        expected += (expected.empty() ? "" : " ") + std::to_string(c.code) + "," +
                    std::to_string(c.w) + "," + std::to_string(c.l);
    }
    EXPECT_EQ(CallGenerator(g->Pid(), "Value", {QString("messages")}).arguments().value(0),
              QString::fromStdString(expected));
}

// A failed action is the reply's error, with the text the generator's window shows; the
// reply does not wait for anybody to read it.
TEST_F(GeneratorBusTest, aFailedActionIsAnErrorReplyWithItsText) {
    auto g = Start({"--fail", "Sound Device Error: \rNo such output device."});
    const QDBusMessage reply = CallGenerator(g->Pid(), "Message", {1024, 0, 0});
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName(), "org.orvande.Quavril.Error.Device");
    EXPECT_EQ(reply.errorMessage(), "Sound Device Error: \rNo such output device.");
    EXPECT_EQ(CallGenerator(g->Pid(), "Message", {1025, 0, 0}).type(), QDBusMessage::ReplyMessage);
}

// Owns org.orvande.Quavril.instance1..N on a connection of its own and answers no Title
// until all N have been asked; then it answers them all at once, with another title.
class SilentNames : public QDBusVirtualObject {
public:
    explicit SilentNames(int count)
        : count_(count),
          bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "silent-names")) {
        bus_.registerVirtualObject(GeneratorPeers::ObjectPath, this);
        for (int pid = 1; pid <= count; ++pid)
            registered_ += bus_.registerService(GeneratorPeers::ServiceName(pid));
    }
    ~SilentNames() override {
        bus_.unregisterObject(GeneratorPeers::ObjectPath);
        QDBusConnection::disconnectFromBus("silent-names");
    }
    bool Ready() const { return registered_ == count_; }
    int asked = 0;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != "Title")
            return false;
        message.setDelayedReply(true);
        held_.push_back(message);
        if (++asked == count_)
            for (const QDBusMessage& m : held_)
                connection.send(m.createReply(QString("Someone else")));
        return true;
    }

private:
    int count_;
    int registered_ = 0;
    QDBusConnection bus_;
    std::vector<QDBusMessage> held_;
};

// Names that keep their answer cost one timeout together, not one each: every title is asked
// before any answer is awaited. With a one-minute timeout, asking one name after another
// would not get past the first name within the test's limit.
TEST_F(GeneratorBusTest, silentNamesAreAskedForTheirTitlesAllAtOnce) {
    App();
    SilentNames silent(10);
    ASSERT_TRUE(silent.Ready());
    auto copy = Start({});
    auto sender = Start({"--timeout", "60000", "--broadcast-at", Now(), "1024"});
    const bool done = WaitFor(
        [&] {
            QCoreApplication::processEvents();
            return sender->Count("broadcast 1024 delivered 2 skipped 0") == 1;
        },
        20000);
    EXPECT_TRUE(done) << sender->Out();
    EXPECT_EQ(silent.asked, 10);
    EXPECT_EQ(copy->Count("message 1024 0 0"), 1);
}

TEST_F(GeneratorBusTest, broadcastReachesEveryCopyWithTheTitleItselfIncludedAndNoOther) {
    auto copy = Start({});
    auto otherVersion = Start({"--title", "Quavril 3.91"});
    auto prefix = Start({"--title", "Quavril 3.9"});
    auto sender = Start({"--broadcast-at", Now(), "1024"});
    ASSERT_TRUE(sender->WaitForLine("broadcast 1024 delivered 2 skipped 0")) << sender->Out();
    EXPECT_EQ(sender->Count("message 1024 0 0"), 1);
    EXPECT_EQ(copy->Count("message 1024 0 0"), 1);
    EXPECT_TRUE(otherVersion->LinesStartingWith("message").empty());
    EXPECT_TRUE(prefix->LinesStartingWith("message").empty());
}

// Each copy waits for the other while the other waits for it: both must keep answering, so
// every call is answered well inside the timeout and nobody is skipped. Both are started well
// before the agreed moment, so that each finds the other on the bus.
TEST_F(GeneratorBusTest, twoCopiesBroadcastingAtOnceReachBothWithoutSkipping) {
    const std::string at = Now(3000), later = Now(3200), last = Now(3400);
    std::vector<std::string> args = {
        "--timeout", "4000", "--broadcast-at", at,   "1024", "--broadcast-at",
        later,       "1026", "--broadcast-at", last, "1025"};
    auto a = Start(args);
    auto b = Start(args);
    for (auto* g : {a.get(), b.get()}) {
        for (const char* code : {"1024", "1026", "1025"}) {
            const std::string done = std::string("broadcast ") + code + " delivered 2 skipped 0";
            EXPECT_TRUE(g->WaitForLine(done)) << g->Out();
            EXPECT_EQ(g->Count(std::string("message ") + code + " 0 0"), 2) << g->Out();
        }
    }
}

TEST_F(GeneratorBusTest, peerThatDoesNotAnswerIsSkippedAndTheOthersStillReached) {
    auto copy = Start({});
    auto stuck = Start({});
    ASSERT_EQ(::kill(stuck->Pid(), SIGSTOP), 0);
    auto sender = Start({"--timeout", "2000", "--broadcast-at", Now(), "1024"});
    EXPECT_TRUE(sender->WaitForLine("broadcast 1024 delivered 2 skipped 1")) << sender->Out();
    EXPECT_EQ(copy->Count("message 1024 0 0"), 1);
    EXPECT_EQ(sender->Count("message 1024 0 0"), 1);
    ::kill(stuck->Pid(), SIGCONT);
}

// A target that, while acting on the broadcast's On, is given Off and Pause (as a click during
// the broadcast would): those go out after the On broadcast has finished, in order.
class ReentrantTarget : public MessageTarget {
public:
    std::function<void(MessageCode)> broadcaster;
    std::vector<int32_t> received;
    std::string Title() const override { return OwnTitle; }
    bool Playing() const override { return false; }
    bool Paused() const override { return false; }
    std::optional<std::string> Value(std::string_view) const override { return std::nullopt; }
    std::optional<std::string> Dispatch(MessageCode code, int32_t, int32_t) override {
        received.push_back(CodeOf(code));
        if (code == MessageCode::On) {
            broadcaster(MessageCode::Off);
            broadcaster(MessageCode::Pause);
        }
        return std::nullopt;
    }
};

TEST_F(GeneratorBusTest, commandsGivenDuringTheOwnBroadcastAreSentAfterItInOrder) {
    App();
    ReentrantTarget target;
    GeneratorBus bus(target);
    ASSERT_TRUE(bus.Install());
    target.broadcaster = bus.Broadcaster();
    std::vector<int32_t> broadcasts;
    QObject::connect(&bus, &GeneratorBus::Broadcasted,
                     [&](MessageCode code, int delivered, int skipped) {
                         broadcasts.push_back(CodeOf(code));
                         EXPECT_EQ(delivered, 2);
                         EXPECT_EQ(skipped, 0);
                     });
    // Started after this process, so it comes after it in pid order: without the queue it
    // would see Off and Pause before On.
    auto peer = Start({});
    target.broadcaster(MessageCode::On);
    EXPECT_EQ(target.received, (std::vector<int32_t>{1024, 1025, 1026}));
    EXPECT_EQ(broadcasts, (std::vector<int32_t>{1024, 1025, 1026}));
    EXPECT_EQ(
        peer->LinesStartingWith("message"),
        (std::vector<std::string>{"message 1024 0 0", "message 1025 0 0", "message 1026 0 0"}));
    bus.Release();
    EXPECT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
        GeneratorPeers::ServiceName(QCoreApplication::applicationPid())));
}

TEST_F(GeneratorBusTest, withoutSessionBusBroadcastActsLocallyAndNothingIsSaid) {
    GeneratorProcess alone(
        files.dir, {"--broadcast-at", Now(), "1024"},
        {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + files.dir.string() + "/none"}});
    EXPECT_TRUE(alone.WaitForLine("broadcast 1024 delivered 1 skipped 0")) << alone.Out();
    EXPECT_EQ(alone.Count("ready alone"), 1);
    EXPECT_EQ(alone.Count("message 1024 0 0"), 1);
    EXPECT_EQ(alone.Terminate(), 0);
    EXPECT_EQ(alone.Err(), "");
}

} // namespace
