#include "app/GeneratorPeers.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <algorithm>

namespace quavril {

GeneratorPeers::GeneratorPeers(const QDBusConnection& bus, int timeoutMs)
    : bus_(bus), timeoutMs_(timeoutMs) {}

QString GeneratorPeers::ServiceName(qint64 pid) {
    return QString::fromLatin1(ServicePrefix) + QString::number(pid);
}

std::vector<GeneratorPeers::Peer> GeneratorPeers::List() const {
    std::vector<Peer> peers;
    if (!bus_.isConnected() || !bus_.interface())
        return peers;
    const QString prefix = QString::fromLatin1(ServicePrefix);
    const QStringList names = bus_.interface()->registeredServiceNames().value();
    for (const QString& name : names) {
        if (!name.startsWith(prefix))
            continue;
        bool ok = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&ok);
        // Only the exact form the generators register (no sign, no leading zeros).
        if (ok && pid > 0 && ServiceName(pid) == name)
            peers.push_back({pid, name});
    }
    std::sort(peers.begin(), peers.end(),
              [](const Peer& a, const Peer& b) { return a.pid < b.pid; });
    return peers;
}

std::optional<QDBusMessage> GeneratorPeers::Call(const QString& service, const QString& method,
                                                 const QList<QVariant>& args) const {
    QDBusMessage call = QDBusMessage::createMethodCall(service, QString::fromLatin1(ObjectPath),
                                                       QString::fromLatin1(Interface), method);
    call.setArguments(args);
    QDBusPendingCall pending = bus_.asyncCall(call, timeoutMs_);
    // The watcher reports a call that has already finished through the queue, so the loop
    // cannot miss it. The loop serves incoming calls and the windows while it waits; the bus
    // ends the call with an error after the timeout.
    QDBusPendingCallWatcher watcher(pending);
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!watcher.isFinished() || watcher.isError())
        return std::nullopt;
    return watcher.reply();
}

std::optional<QString> GeneratorPeers::Title(const QString& service) const {
    const auto reply = Call(service, QStringLiteral("Title"), {});
    if (!reply || reply->arguments().size() != 1 ||
        reply->arguments().front().userType() != QMetaType::QString)
        return std::nullopt;
    return reply->arguments().front().toString();
}

std::optional<int> GeneratorPeers::ScpiPort(const QString& service) const {
    const auto reply = Call(service, QStringLiteral("ScpiPort"), {});
    if (!reply || reply->arguments().size() != 1 ||
        reply->arguments().front().userType() != QMetaType::Int)
        return std::nullopt;
    return reply->arguments().front().toInt();
}

bool GeneratorPeers::Message(const QString& service, MessageCode code, int32_t wParam,
                             int32_t lParam) const {
    return Call(service, QStringLiteral("Message"),
                {QVariant::fromValue(CodeOf(code)), QVariant::fromValue(wParam),
                 QVariant::fromValue(lParam)})
        .has_value();
}

GeneratorPeers::BroadcastResult GeneratorPeers::Broadcast(const QString& title, MessageCode code,
                                                          int32_t wParam, int32_t lParam) const {
    BroadcastResult result;
    for (const Peer& peer : List()) {
        const auto peerTitle = Title(peer.service);
        if (!peerTitle) {
            ++result.skipped;
            continue;
        }
        if (*peerTitle != title)
            continue;
        if (Message(peer.service, code, wParam, lParam))
            ++result.delivered;
        else
            ++result.skipped;
    }
    return result;
}

} // namespace quavril
