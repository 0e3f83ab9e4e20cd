#include "app/ScpiAnnouncer.h"

#include "ui/ApplicationTitle.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QHostInfo>

namespace quavril {

namespace {
const QString Service = QStringLiteral("org.freedesktop.Avahi");
const QString ServerInterface = QStringLiteral("org.freedesktop.Avahi.Server");
const QString GroupInterface = QStringLiteral("org.freedesktop.Avahi.EntryGroup");
constexpr int Unspecified = -1; // every interface, every protocol
constexpr int Collision = 3;    // entry group state
constexpr int MaxAttempts = 20;
} // namespace

ScpiAnnouncer::ScpiAnnouncer(QObject* parent)
    : ScpiAnnouncer(QDBusConnection::systemBus(), parent) {}

ScpiAnnouncer::ScpiAnnouncer(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus), name_(DefaultName()) {
    qDBusRegisterMetaType<QList<QByteArray>>(); // the TXT records, D-Bus type aay
    if (!bus_.isConnected())
        return;
    watcher_ =
        new QDBusServiceWatcher(Service, bus_, QDBusServiceWatcher::WatchForRegistration, this);
    // A daemon started (or restarted) after us forgets nothing of ours: announce again.
    connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        group_.clear();
        if (port_ > 0)
            CreateGroup();
    });
}

ScpiAnnouncer::~ScpiAnnouncer() {
    Withdraw();
}

QString ScpiAnnouncer::DefaultName() {
    return QStringLiteral("%1 on %2")
        .arg(QString::fromLatin1(ApplicationTitle::ProductName), QHostInfo::localHostName());
}

void ScpiAnnouncer::Announce(int port, const QString& serial) {
    Withdraw();
    port_ = port;
    serial_ = serial;
    attempts_ = 0;
    if (bus_.isConnected())
        CreateGroup();
}

void ScpiAnnouncer::Withdraw() {
    ++generation_;
    port_ = 0;
    FreeGroup();
}

void ScpiAnnouncer::FreeGroup() {
    if (group_.isEmpty())
        return;
    bus_.asyncCall(
        QDBusMessage::createMethodCall(Service, group_, GroupInterface, QStringLiteral("Free")));
    bus_.disconnect(Service, group_, GroupInterface, QStringLiteral("StateChanged"), this,
                    SLOT(OnStateChanged(int, QString)));
    group_.clear();
}

void ScpiAnnouncer::Call(const QString& path, const QString& interface, const QString& method,
                         const QList<QVariant>& args,
                         std::function<void(const QDBusMessage&)> done) {
    QDBusMessage call = QDBusMessage::createMethodCall(Service, path, interface, method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    const unsigned generation = generation_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation, done = std::move(done)] {
                watcher->deleteLater();
                if (generation == generation_)
                    done(watcher->reply());
            });
}

void ScpiAnnouncer::CreateGroup() {
    Call(QStringLiteral("/"), ServerInterface, QStringLiteral("EntryGroupNew"), {},
         [this](const QDBusMessage& reply) {
             if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                 return; // no Avahi here: nothing is announced
             group_ = qvariant_cast<QDBusObjectPath>(reply.arguments().front()).path();
             bus_.connect(Service, group_, GroupInterface, QStringLiteral("StateChanged"), this,
                          SLOT(OnStateChanged(int, QString)));
             AddService();
         });
}

void ScpiAnnouncer::AddService() {
    const QList<QByteArray> txt{"Manufacturer=Orvande", "Model=Quavril",
                                "SerialNumber=" + serial_.toUtf8(),
                                QByteArray("FirmwareVersion=") + ApplicationTitle::VersionText};
    Call(group_, GroupInterface, QStringLiteral("AddService"),
         {Unspecified, Unspecified, 0u, name_, QString::fromLatin1(ServiceType), QString(),
          QString(), QVariant::fromValue(static_cast<quint16>(port_)), QVariant::fromValue(txt)},
         [this](const QDBusMessage& reply) {
             if (reply.type() == QDBusMessage::ReplyMessage) {
                 Call(group_, GroupInterface, QStringLiteral("Commit"), {},
                      [this](const QDBusMessage& committed) {
                          if (committed.type() == QDBusMessage::ReplyMessage)
                              emit Announced(name_);
                      });
             } else if (reply.errorName() ==
                        QLatin1String("org.freedesktop.Avahi.CollisionError")) {
                 OnCollision();
             }
         });
}

void ScpiAnnouncer::OnStateChanged(int state, const QString&) {
    if (state == Collision && !group_.isEmpty())
        OnCollision();
}

// Another service has the name: take Avahi's alternative and try again.
void ScpiAnnouncer::OnCollision() {
    if (++attempts_ > MaxAttempts)
        return;
    Call(QStringLiteral("/"), ServerInterface, QStringLiteral("GetAlternativeServiceName"), {name_},
         [this](const QDBusMessage& reply) {
             if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                 return;
             name_ = reply.arguments().front().toString();
             Call(group_, GroupInterface, QStringLiteral("Reset"), {},
                  [this](const QDBusMessage&) { AddService(); });
         });
}

} // namespace quavril
