#pragma once
// Running generators as seen on the session bus: each owns the name
// org.orvande.Quavril.instance<pid> and exports /Generator. Every call made here is awaited in
// a nested event loop, so that a generator waiting for a peer keeps answering the calls that
// peer makes meanwhile: two copies broadcasting at the same moment would otherwise wait for
// each other until the timeout. A peer that does not answer within the timeout is skipped.
#include "session/MessageCode.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <vector>

namespace quavril {

class GeneratorPeers {
public:
    static constexpr const char* ServicePrefix = "org.orvande.Quavril.instance";
    static constexpr const char* ObjectPath = "/Generator";
    static constexpr const char* Interface = "org.orvande.Quavril.Generator";
    // Long enough for a receiver's whole start sequence (opening the sound device).
    static constexpr int DefaultTimeoutMs = 5000;

    struct Peer {
        qint64 pid = 0;
        QString service;
    };
    struct BroadcastResult {
        int delivered = 0; // peers with the title that replied after their action
        int skipped = 0;   // peers that did not answer the title or the message in time
    };

    explicit GeneratorPeers(const QDBusConnection& bus, int timeoutMs = DefaultTimeoutMs);

    static QString ServiceName(qint64 pid);

    // The generators on the bus, in ascending process id order.
    std::vector<Peer> List() const;
    // The peer's title; nothing when it does not answer in time.
    std::optional<QString> Title(const QString& service) const;
    // The peer's SCPI port (0: no server); nothing when it does not answer or has no such
    // method.
    std::optional<int> ScpiPort(const QString& service) const;
    // True when the peer replied, which it does after its action.
    bool Message(const QString& service, MessageCode code, int32_t wParam, int32_t lParam) const;
    // `code` to every peer whose title equals `title` exactly, one at a time in List order.
    BroadcastResult Broadcast(const QString& title, MessageCode code, int32_t wParam = 0,
                              int32_t lParam = 0) const;

private:
    std::optional<QDBusMessage> Call(const QString& service, const QString& method,
                                     const QList<QVariant>& args) const;

    QDBusConnection bus_;
    int timeoutMs_;
};

} // namespace quavril
