#include "app/GeneratorPeers.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace quavril {

namespace {

QDBusMessage MethodCall(const QString& service, const QString& method,
                        const QList<QVariant>& args) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QString::fromLatin1(GeneratorPeers::ObjectPath),
                                       QString::fromLatin1(GeneratorPeers::Interface), method);
    call.setArguments(args);
    return call;
}

// Waits for every call, serving incoming calls and the windows meanwhile. The bus ends each
// call with an error after its timeout; the guard timer is there should it not.
std::vector<QDBusMessage> AwaitAll(const std::vector<QDBusPendingCall>& calls, int timeoutMs) {
    std::vector<std::unique_ptr<QDBusPendingCallWatcher>> watchers;
    QEventLoop loop;
    std::size_t open = 0;
    for (const QDBusPendingCall& call : calls) {
        watchers.push_back(std::make_unique<QDBusPendingCallWatcher>(call));
        // The watcher reports a call that has already finished through the queue, so the loop
        // cannot miss it.
        if (!watchers.back()->isFinished()) {
            ++open;
            QObject::connect(watchers.back().get(), &QDBusPendingCallWatcher::finished, &loop, [&] {
                if (--open == 0)
                    loop.quit();
            });
        }
    }
    if (open > 0) {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(timeoutMs + 1000);
        loop.exec();
    }
    std::vector<QDBusMessage> replies;
    for (const auto& w : watchers)
        replies.push_back(w->isFinished() ? w->reply() : QDBusMessage());
    return replies;
}

} // namespace

GeneratorPeers::GeneratorPeers(const QDBusConnection& bus, int timeoutMs)
    : bus_(bus), timeoutMs_(timeoutMs) {}

QString GeneratorPeers::ServiceName(qint64 pid) {
    return QString::fromLatin1(ServicePrefix) + QString::number(pid);
}

QString GeneratorPeers::OneLine(const QString& text) {
    QString line;
    bool lineBreak = false;
    for (const QChar c : text) {
        if (c == '\r' || c == '\n') {
            lineBreak = true;
            continue;
        }
        if (lineBreak && !line.endsWith(' ') && c != ' ')
            line += ' ';
        lineBreak = false;
        line += c;
    }
    return line;
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

QDBusMessage GeneratorPeers::Call(const QString& service, const QString& method,
                                  const QList<QVariant>& args) const {
    return AwaitAll({bus_.asyncCall(MethodCall(service, method, args), timeoutMs_)}, timeoutMs_)
        .front();
}

std::vector<std::optional<QString>> GeneratorPeers::Titles(const std::vector<Peer>& peers) const {
    std::vector<QDBusPendingCall> calls;
    for (const Peer& peer : peers)
        calls.push_back(
            bus_.asyncCall(MethodCall(peer.service, QStringLiteral("Title"), {}), timeoutMs_));
    std::vector<std::optional<QString>> titles;
    for (const QDBusMessage& reply : AwaitAll(calls, timeoutMs_)) {
        const bool answered = reply.type() == QDBusMessage::ReplyMessage &&
                              reply.arguments().size() == 1 &&
                              reply.arguments().front().userType() == QMetaType::QString;
        titles.push_back(answered ? std::optional(reply.arguments().front().toString())
                                  : std::nullopt);
    }
    return titles;
}

GeneratorPeers::Answer GeneratorPeers::Message(const QString& service, MessageCode code,
                                               int32_t wParam, int32_t lParam) const {
    const QDBusMessage reply = Call(service, QStringLiteral("Message"),
                                    {QVariant::fromValue(CodeOf(code)), QVariant::fromValue(wParam),
                                     QVariant::fromValue(lParam)});
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {true, {}};
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() == QString::fromLatin1(DeviceError))
        return {true, OneLine(reply.errorMessage())};
    return {};
}

std::optional<int> GeneratorPeers::ScpiPort(const QString& service) const {
    const QDBusMessage reply = Call(service, QStringLiteral("ScpiPort"), {});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        reply.arguments().front().userType() != QMetaType::Int)
        return std::nullopt;
    return reply.arguments().front().toInt();
}

GeneratorPeers::BroadcastResult GeneratorPeers::Broadcast(const QString& title, MessageCode code,
                                                          int32_t wParam, int32_t lParam) const {
    BroadcastResult result;
    const std::vector<Peer> peers = List();
    const std::vector<std::optional<QString>> titles = Titles(peers);
    for (std::size_t i = 0; i < peers.size(); ++i) {
        if (!titles[i]) {
            ++result.skipped;
            continue;
        }
        if (*titles[i] != title)
            continue;
        const Answer answer = Message(peers[i].service, code, wParam, lParam);
        if (!answer.replied) {
            ++result.skipped;
            continue;
        }
        ++result.delivered;
        if (!answer.failure.isEmpty())
            result.failures.emplace_back(peers[i].pid, answer.failure);
    }
    return result;
}

} // namespace quavril
