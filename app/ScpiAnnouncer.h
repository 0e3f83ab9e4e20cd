#pragma once
// Announces the SCPI server on the local network as LXI instruments are announced: DNS-SD
// service type _scpi-raw._tcp, named "Quavril on HOST", through the Avahi daemon's D-Bus API
// on the system bus (no library beyond QtDBus, and every call is asynchronous, so nothing
// waits on the daemon). A name that another service holds gets Avahi's alternative ("Quavril
// on HOST #2"). Without a system bus or without Avahi nothing is announced and nothing is
// said; an Avahi daemon that starts later is told at once.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

class QDBusServiceWatcher;

namespace quavril {

class ScpiAnnouncer : public QObject {
    Q_OBJECT
public:
    static constexpr const char* ServiceType = "_scpi-raw._tcp";

    // Announces on `bus`, the system bus unless tests give another.
    explicit ScpiAnnouncer(QObject* parent = nullptr);
    explicit ScpiAnnouncer(const QDBusConnection& bus, QObject* parent = nullptr);
    ~ScpiAnnouncer() override;

    // "Quavril on " + the host name.
    static QString DefaultName();

    // Announces `port` (replacing an earlier announcement); TXT records name the maker, the
    // model, the serial (as *IDN? gives it) and the version.
    void Announce(int port, const QString& serial);
    void Withdraw();
    int Port() const { return port_; }

signals:
    // Avahi took the announcement under `name`.
    void Announced(const QString& name);

private slots:
    // The entry group's state: a collision found later on the network renames us too.
    void OnStateChanged(int state, const QString& error);

private:
    void CreateGroup();
    void AddService();
    void OnCollision();
    void Call(const QString& path, const QString& interface, const QString& method,
              const QList<QVariant>& args, std::function<void(const QDBusMessage&)> done);
    void FreeGroup();

    QDBusConnection bus_;
    QDBusServiceWatcher* watcher_ = nullptr;
    QString group_; // the entry group's object path, empty when none
    QString name_;
    QString serial_;
    int port_ = 0;
    int attempts_ = 0;
    unsigned generation_ = 0; // replies of an earlier announcement are ignored
};

} // namespace quavril
