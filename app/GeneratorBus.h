#pragma once
// A running generator on the session bus: owns org.orvande.Quavril.instance<pid>, exports
// /Generator (GeneratorBusObject) and broadcasts the transport commands to every generator
// with the same title, itself included.
//
// Use: construct with the generator's message target; Install() once the windows exist and
// before the command line is handled; Release() at the orderly end, before the target goes.
// Broadcaster() is what the session calls instead of acting locally when the Sync box is
// ticked. Without a session bus nothing is registered, nothing is said and a broadcast acts
// on the own target alone.
#include "app/GeneratorBusObject.h"
#include "app/GeneratorPeers.h"
#include "session/MessageTarget.h"

#include <QDBusConnection>
#include <QObject>
#include <deque>
#include <functional>
#include <optional>

namespace quavril {

class GeneratorBus : public QObject {
    Q_OBJECT

public:
    explicit GeneratorBus(MessageTarget& target, QObject* parent = nullptr);
    ~GeneratorBus() override;

    // Registers the object and the name. False (silently) without a session bus or when the
    // name cannot be owned; the generator then runs alone.
    bool Install();
    // Gives up the name and the object; harmless when not installed.
    void Release();
    bool Installed() const { return bus_.has_value(); }
    // The port of the SCPI server that ScpiPort() answers (0: none).
    void SetScpiPort(int port) { object_.SetScpiPort(port); }

    // How long a peer may take to answer one call before it is skipped, in milliseconds.
    void SetReplyTimeout(int ms) { timeoutMs_ = ms; }

    // BroadcastToGenerators: Message(code, 0, 0) to every generator whose title equals the own
    // title exactly, in ascending pid order, each reply awaited while incoming calls and the
    // windows are served. A command given while the own broadcast is running (from a window or
    // timer served during the wait) is queued and broadcast after it, in order.
    void Broadcast(MessageCode code);
    std::function<void(MessageCode)> Broadcaster();

signals:
    // After each broadcast: how many generators acted on it and how many did not answer.
    void Broadcasted(quavril::MessageCode code, int delivered, int skipped);

private:
    void BroadcastNow(MessageCode code);

    MessageTarget& target_;
    GeneratorBusObject object_;
    std::optional<QDBusConnection> bus_;
    QString service_;
    int timeoutMs_ = GeneratorPeers::DefaultTimeoutMs;
    bool broadcasting_ = false;
    std::deque<MessageCode> queued_;
};

} // namespace quavril
