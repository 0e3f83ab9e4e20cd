// The announcement against a stand-in for the Avahi daemon on a private bus: the calls and
// their arguments (service type, name, port, TXT records), Avahi's alternative name after a
// collision, a daemon that appears later, and a withdrawal.
#include "app/ScpiAnnouncer.h"
#include "tests/audio/AudioTestSupport.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <gtest/gtest.h>

using namespace quavril;

namespace {

class FakeGroup : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Avahi.EntryGroup")
public:
    // Each service added: interface, protocol, name, type and port; and its TXT records.
    std::vector<std::string> Services;
    QList<QByteArray> Txt;
    int Commits = 0, Frees = 0;
    QStringList Taken;

public slots:
    void AddService(int interface, int protocol, uint, const QString& name, const QString& type,
                    const QString&, const QString&, ushort port, const QList<QByteArray>& txt) {
        if (Taken.contains(name)) {
            sendErrorReply("org.freedesktop.Avahi.CollisionError", "Local name collision");
            return;
        }
        Services.push_back(std::to_string(interface) + " " + std::to_string(protocol) + " " +
                           (name + " " + type).toStdString() + " " + std::to_string(port));
        Txt = txt;
    }
    void Commit() { ++Commits; }
    void Reset() { Services.clear(); }
    void Free() { ++Frees; }
};

class FakeServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Avahi.Server")
public slots:
    QDBusObjectPath EntryGroupNew() { return QDBusObjectPath("/Group1"); }
    QString GetAlternativeServiceName(const QString& name) { return name + " #2"; }
};

TEST(ScpiAnnouncer, announcesTheServiceAsAvahiAsksAndTakesTheAlternativeName) {
    test::EnsureApplication();
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    FakeServer server;
    FakeGroup group;
    group.Taken << ScpiAnnouncer::DefaultName();
    ASSERT_TRUE(bus.registerObject("/", &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerObject("/Group1", &group, QDBusConnection::ExportAllSlots));

    ScpiAnnouncer announcer(bus);
    QString announced;
    QObject::connect(&announcer, &ScpiAnnouncer::Announced,
                     [&](const QString& name) { announced = name; });
    // No daemon yet: nothing is announced, nothing waits; the daemon's arrival is noticed.
    announcer.Announce(5026, "labpc:5026");
    ASSERT_TRUE(bus.registerService("org.freedesktop.Avahi"));
    ASSERT_TRUE(test::RunUntil([&] { return !announced.isEmpty(); }, 10000));

    EXPECT_EQ(announced, ScpiAnnouncer::DefaultName() + " #2");
    EXPECT_EQ(group.Services, std::vector<std::string>{"-1 -1 " + announced.toStdString() +
                                                       " _scpi-raw._tcp 5026"});
    EXPECT_TRUE(group.Txt.contains("SerialNumber=labpc:5026"));
    EXPECT_TRUE(group.Txt.contains("Model=Quavril"));
    EXPECT_EQ(group.Commits, 1);

    announcer.Withdraw();
    EXPECT_TRUE(test::RunUntil([&] { return group.Frees == 1; }, 10000));
    bus.unregisterService("org.freedesktop.Avahi");
    bus.unregisterObject("/Group1");
    bus.unregisterObject("/");
}

} // namespace

#include "ScpiAnnouncer_test.moc"
