#include "app/ScpiServer.h"

#include "session/ScpiInstrument.h"
#include "ui/ApplicationTitle.h"

#include <QHostInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

namespace quavril {

struct ScpiServer::Connection {
    QTcpSocket* Socket = nullptr;
    std::unique_ptr<ScpiInstrument> Instrument;
    QByteArray Line;         // read but not yet a whole line
    QElapsedTimer LastInput; // since the client last sent something
    QElapsedTimer LastDrain; // since its answers last went out
    bool Closed = false;
};

namespace {

std::optional<int> PortOf(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535 || text.startsWith('+') || text.startsWith('-'))
        return std::nullopt;
    return port;
}

QString HostAndPort(const QHostAddress& address, int port) {
    const QString host = address.toString();
    return (address.protocol() == QAbstractSocket::IPv6Protocol ? "[" + host + "]" : host) + ':' +
           QString::number(port);
}

} // namespace

ScpiEndpoint ScpiEndpoint::FromSettings(const ScpiSettings& settings) {
    ScpiEndpoint e;
    e.Address = QString::fromStdString(settings.Address);
    e.Port = settings.Port;
    e.Allowed = QString::fromStdString(settings.Allowed);
    return e;
}

std::optional<ScpiEndpoint> ScpiEndpoint::FromOption(const QString& value) {
    ScpiEndpoint e;
    QString address = value;
    std::optional<QString> port;
    if (value.startsWith('[')) {
        const qsizetype close = value.indexOf(']');
        if (close < 0)
            return std::nullopt;
        address = value.mid(1, close - 1);
        const QString rest = value.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(':'))
            return std::nullopt;
        if (!rest.isEmpty())
            port = rest.mid(1);
    } else if (value.count(':') == 1) { // more colons: an IPv6 address without a port
        address = value.left(value.indexOf(':'));
        port = value.mid(value.indexOf(':') + 1);
    }
    if (!address.isEmpty())
        e.Address = address;
    if (port) {
        const auto p = PortOf(*port);
        if (!p)
            return std::nullopt;
        e.Port = *p;
        e.ExactPort = true;
    }
    return e;
}

ScpiServer::ScpiServer(ScpiHost& host, QObject* parent)
    : QObject(parent), host_(host), status_(tr("Off")) {
    pump_.setSingleShot(true);
    pump_.setInterval(0);
    connect(&pump_, &QTimer::timeout, this, &ScpiServer::Pump);
    connect(&housekeeping_, &QTimer::timeout, this, &ScpiServer::Housekeeping);
}

ScpiServer::~ScpiServer() {
    for (auto& c : connections_) {
        c->Socket->disconnect(this);
        delete c->Socket;
    }
}

bool ScpiServer::Listening() const {
    return server_ && server_->isListening();
}

int ScpiServer::Port() const {
    return Listening() ? server_->serverPort() : 0;
}

QHostAddress ScpiServer::Address() const {
    return Listening() ? server_->serverAddress() : QHostAddress();
}

int ScpiServer::Connections() const {
    return static_cast<int>(std::count_if(connections_.begin(), connections_.end(),
                                          [](const auto& c) { return !c->Closed; }));
}

void ScpiServer::SetStatus(const QString& status) {
    status_ = status;
    emit StatusChanged(status);
}

bool ScpiServer::Fail(const QString& why) {
    server_.reset();
    failed_ = true;
    SetStatus(tr("Not listening: %1").arg(why));
    return false;
}

bool ScpiServer::Start(const ScpiEndpoint& endpoint) {
    Stop();
    const QString text = endpoint.Address.trimmed();
    QHostAddress address;
    if (text.compare("localhost", Qt::CaseInsensitive) == 0)
        address = QHostAddress::LocalHost;
    else if (!address.setAddress(text))
        return Fail(tr("'%1' is not an IP address").arg(text));
    allowed_.clear();
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString& entry : endpoint.Allowed.split(separators, Qt::SkipEmptyParts)) {
        auto subnet = entry.contains('/') ? QHostAddress::parseSubnet(entry)
                                          : std::pair<QHostAddress, int>(QHostAddress(entry), -1);
        if (subnet.first.isNull())
            return Fail(tr("'%1' in the allowed clients is not an address or subnet").arg(entry));
        if (subnet.second < 0)
            subnet.second = subnet.first.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
        allowed_.push_back(subnet);
    }

    server_ = std::make_unique<QTcpServer>();
    server_->setMaxPendingConnections(limits_.Connections + 4);
    const int tries = endpoint.ExactPort ? 1 : PortSearch;
    int port = endpoint.Port;
    for (int i = 0; i < tries && port <= 65535; ++i, ++port) {
        if (server_->listen(address, static_cast<quint16>(port))) {
            connect(server_.get(), &QTcpServer::newConnection, this, &ScpiServer::Accept);
            identity_ = QStringLiteral("Orvande,%1,%2:%3,%4")
                            .arg(QString::fromLatin1(ApplicationTitle::ProductName),
                                 QHostInfo::localHostName(), QString::number(port),
                                 QString::fromLatin1(ApplicationTitle::VersionText));
            failed_ = false;
            SetStatus(tr("Listening on %1").arg(HostAndPort(address, port)));
            return true;
        }
        if (server_->serverError() != QAbstractSocket::AddressInUseError)
            return Fail(server_->errorString());
    }
    if (tries == 1)
        return Fail(tr("%1 is in use by another program").arg(HostAndPort(address, endpoint.Port)));
    return Fail(tr("ports %1 to %2 on %3 are all in use")
                    .arg(endpoint.Port)
                    .arg(port - 1)
                    .arg(address.toString()));
}

void ScpiServer::Stop() {
    const bool was = server_ != nullptr || failed_;
    server_.reset();
    for (auto& c : connections_)
        Drop(*c);
    Cleanup();
    housekeeping_.stop();
    failed_ = false;
    if (was)
        SetStatus(tr("Off"));
}

void ScpiServer::Accept() {
    while (QTcpSocket* socket = server_ ? server_->nextPendingConnection() : nullptr) {
        if (!IsAllowed(socket->peerAddress()) || Connections() >= limits_.Connections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setParent(nullptr);
        // What a client sends faster than it is served waits here, and then in the network.
        socket->setReadBufferSize(limits_.LineBytes * 4);
        auto c = std::make_unique<Connection>();
        Connection* raw = c.get();
        c->Socket = socket;
        c->Instrument = std::make_unique<ScpiInstrument>(host_, identity_.toStdString());
        c->LastInput.start();
        c->LastDrain.start();
        connect(socket, &QTcpSocket::readyRead, this, [this, raw] {
            raw->LastInput.restart();
            Schedule();
        });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, raw] {
            raw->LastDrain.restart();
            Schedule();
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, raw] {
            raw->Closed = true;
            Schedule();
        });
        connections_.push_back(std::move(c));
        if (!housekeeping_.isActive())
            housekeeping_.start(
                std::clamp(std::min(limits_.IdleMs, limits_.StallMs) / 4, 10, 1000));
        if (socket->bytesAvailable() > 0)
            Schedule();
    }
}

bool ScpiServer::IsAllowed(QHostAddress peer) const {
    if (allowed_.empty())
        return true;
    bool v4 = false;
    const quint32 ipv4 = peer.toIPv4Address(&v4); // also an IPv4 client of an IPv6 server
    if (v4)
        peer = QHostAddress(ipv4);
    return std::any_of(allowed_.begin(), allowed_.end(),
                       [&](const auto& subnet) { return peer.isInSubnet(subnet); });
}

void ScpiServer::Schedule() {
    if (!pump_.isActive())
        pump_.start();
}

// One turn: each client in order gets a few of its lines served. A command may run a nested
// event loop (a broadcast to the other generators, a message box); what arrives meanwhile
// waits for the next turn.
void ScpiServer::Pump() {
    if (busy_) {
        again_ = true; // after the running command
        return;
    }
    busy_ = true;
    bool more = false;
    for (size_t i = 0; i < connections_.size(); ++i) {
        Connection* c = connections_[i].get();
        if (!c->Closed && Serve(*c))
            more = true;
    }
    busy_ = false;
    Cleanup();
    if (more || again_)
        Schedule();
    again_ = false;
}

// Serves up to LinesPerTurn lines; true when more may be waiting.
bool ScpiServer::Serve(Connection& c) {
    for (int n = 0; n < limits_.LinesPerTurn; ++n) {
        if (c.Socket->bytesToWrite() > limits_.OutputBytes)
            return false; // served again once it reads (bytesWritten)
        const std::optional<QByteArray> line = TakeLine(c);
        if (!line)
            return false;
        const std::string answer =
            c.Instrument->Execute(std::string_view(line->constData(), line->size()));
        if (c.Closed)
            return false;
        if (!answer.empty()) {
            if (c.Socket->bytesToWrite() == 0)
                c.LastDrain.restart();
            c.Socket->write(answer.data(), static_cast<qint64>(answer.size()));
            c.Socket->write("\n", 1);
        }
    }
    return true;
}

std::optional<QByteArray> ScpiServer::TakeLine(Connection& c) {
    for (;;) {
        const qsizetype end = c.Line.indexOf('\n');
        if (end >= 0) {
            QByteArray line = c.Line.left(end);
            c.Line.remove(0, end + 1);
            return line;
        }
        if (c.Line.size() > limits_.LineBytes) {
            Drop(c);
            return std::nullopt;
        }
        if (c.Closed || c.Socket->bytesAvailable() == 0)
            return std::nullopt;
        c.Line += c.Socket->read(limits_.LineBytes + 1);
    }
}

void ScpiServer::Drop(Connection& c) {
    if (c.Closed && c.Socket->state() == QAbstractSocket::UnconnectedState)
        return;
    c.Closed = true;
    c.Socket->abort();
    Schedule();
}

void ScpiServer::Housekeeping() {
    for (auto& c : connections_) {
        if (c->Closed)
            continue;
        const bool stalled =
            c->Socket->bytesToWrite() > 0 && c->LastDrain.elapsed() > limits_.StallMs;
        if (stalled || c->LastInput.elapsed() > limits_.IdleMs)
            Drop(*c);
    }
    Cleanup();
}

// Connections go only here, outside every command, so that none disappears under a running one.
void ScpiServer::Cleanup() {
    if (busy_)
        return;
    auto gone = std::stable_partition(connections_.begin(), connections_.end(),
                                      [](const auto& c) { return !c->Closed; });
    for (auto it = gone; it != connections_.end(); ++it) {
        (*it)->Socket->disconnect(this);
        (*it)->Socket->deleteLater();
    }
    connections_.erase(gone, connections_.end());
    if (connections_.empty())
        housekeeping_.stop();
}

} // namespace quavril
