#include "app/GeneratorBus.h"

#include <QCoreApplication>

namespace quavril {

GeneratorBus::GeneratorBus(MessageTarget& target, QObject* parent)
    : QObject(parent), target_(target), object_(target) {}

GeneratorBus::~GeneratorBus() {
    Release();
}

bool GeneratorBus::Install() {
    if (bus_)
        return true;
    // Looking at the session bus prints nothing when there is none; it is just not connected.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString service = GeneratorPeers::ServiceName(QCoreApplication::applicationPid());
    if (!bus.registerObject(QString::fromLatin1(GeneratorPeers::ObjectPath), &object_,
                            QDBusConnection::ExportScriptableSlots))
        return false;
    // The name goes last, so that a peer that finds it also finds the object.
    if (!bus.registerService(service)) {
        bus.unregisterObject(QString::fromLatin1(GeneratorPeers::ObjectPath));
        return false;
    }
    bus_ = bus;
    service_ = service;
    return true;
}

void GeneratorBus::Release() {
    if (!bus_)
        return;
    bus_->unregisterService(service_);
    bus_->unregisterObject(QString::fromLatin1(GeneratorPeers::ObjectPath));
    bus_.reset();
    queued_.clear();
}

std::function<void(MessageCode)> GeneratorBus::Broadcaster() {
    return [this](MessageCode code) { Broadcast(code); };
}

void GeneratorBus::Broadcast(MessageCode code) {
    if (broadcasting_) {
        queued_.push_back(code);
        return;
    }
    broadcasting_ = true;
    BroadcastNow(code);
    while (!queued_.empty()) {
        const MessageCode next = queued_.front();
        queued_.pop_front();
        BroadcastNow(next);
    }
    broadcasting_ = false;
}

void GeneratorBus::BroadcastNow(MessageCode code) {
    if (!bus_) {
        // Alone: the own generator is the only one with its title.
        target_.Dispatch(code, 0, 0);
        emit Broadcasted(code, 1, 0);
        return;
    }
    const GeneratorPeers peers(*bus_, timeoutMs_);
    const auto result = peers.Broadcast(QString::fromStdString(target_.Title()), code);
    emit Broadcasted(code, result.delivered, result.skipped);
}

} // namespace quavril
