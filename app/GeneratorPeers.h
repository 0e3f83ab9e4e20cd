#pragma once
// Running generators as seen on the session bus: each owns the name
// org.orvande.Quavril.instance<pid> and exports /Generator. Every call made here is awaited in
// a nested event loop, so that a generator waiting for a peer keeps answering the calls that
// peer makes meanwhile: two copies broadcasting at the same moment would otherwise wait for
// each other until the timeout. A peer that does not answer within the timeout is skipped;
// the titles of all peers are asked at once, so that silent names cost one timeout together.
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
    // The error a generator answers Message with when the action failed (a start): its text
    // is the message the generator's window shows.
    static constexpr const char* DeviceError = "org.orvande.Quavril.Error.Device";
    // Long enough for a receiver's whole start sequence (opening the sound device).
    static constexpr int DefaultTimeoutMs = 5000;

    struct Peer {
        qint64 pid = 0;
        QString service;
    };
    // What a peer made of a message.
    struct Answer {
        bool replied = false; // it acted on the message (and answered)
        QString failure;      // the failure it reported, one line; empty when it went through
    };
    struct BroadcastResult {
        int delivered = 0; // peers with the title that replied after their action
        int skipped = 0;   // peers that did not answer the title or the message in time
        std::vector<std::pair<qint64, QString>> failures; // pid and failure, in List order
    };

    explicit GeneratorPeers(const QDBusConnection& bus, int timeoutMs = DefaultTimeoutMs);

    static QString ServiceName(qint64 pid);

    // The generators on the bus, in ascending process id order.
    std::vector<Peer> List() const;
    // The titles of `peers`, asked all at once; nothing for a peer that does not answer in
    // time.
    std::vector<std::optional<QString>> Titles(const std::vector<Peer>& peers) const;
    // The peer's SCPI port (0: no server); nothing when it does not answer or has no such
    // method.
    std::optional<int> ScpiPort(const QString& service) const;
    // The message to one peer, awaited.
    Answer Message(const QString& service, MessageCode code, int32_t wParam, int32_t lParam) const;
    // `code` to every peer whose title equals `title` exactly, one at a time in List order,
    // each after the previous one's reply.
    BroadcastResult Broadcast(const QString& title, MessageCode code, int32_t wParam = 0,
                              int32_t lParam = 0) const;

    // A failure text on one line: each line break becomes a blank.
    static QString OneLine(const QString& text);

private:
    QDBusMessage Call(const QString& service, const QString& method,
                      const QList<QVariant>& args) const;

    QDBusConnection bus_;
    int timeoutMs_;
};

} // namespace quavril
