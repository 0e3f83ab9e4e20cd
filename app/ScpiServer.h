#pragma once
// The SCPI server: instrument control over a raw TCP socket, one newline-terminated program
// message per line (port 5025 by convention), every command through the generator session
// (session/ScpiInstrument over ScpiHost). Each client has its own error queue and status bytes.
//
// Safety and load, all on the user-interface thread without ever waiting on a client:
// - it listens on one address (the loopback address unless the user names another) and serves
//   only the allowed client addresses when a list is given; others are closed at once;
// - at most Limits::Connections clients; further ones are closed at once;
// - a line longer than Limits::LineBytes closes its connection;
// - clients are served in turn, a few lines each (Limits::LinesPerTurn), so a flood on one
//   connection delays the others by one turn at most; what a client sends faster than it is
//   served waits in its bounded read buffer (the network then slows the sender down);
// - a client that does not read its answers is not served until it does, and is closed when
//   it has read nothing for Limits::StallMs; a client silent for Limits::IdleMs is closed.
// A port in use is reported through Status() and the generator runs on without the server.
#include "session/ScpiHost.h"
#include "settings/ScpiSettings.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace quavril {

class ScpiInstrument;

// Where a server listens and whom it serves.
struct ScpiEndpoint {
    QString Address = QString::fromLatin1(ScpiSettings::DefaultAddress);
    int Port = ScpiSettings::DefaultPort;
    // Only this port; otherwise the first free one of Port .. Port + PortSearch - 1, so that
    // copies of the program started alike take consecutive ports.
    bool ExactPort = false;
    QString Allowed; // client addresses or subnets separated by commas or blanks; empty: all

    static ScpiEndpoint FromSettings(const ScpiSettings& settings);
    // The value of --scpi=VALUE: empty (the loopback address, ports from 5025 on), ADDRESS
    // (ports from 5025 on), ADDRESS:PORT, [IPv6]:PORT or :PORT (exactly that port). Nothing
    // when it is none of these.
    static std::optional<ScpiEndpoint> FromOption(const QString& value);
};

class ScpiServer : public QObject {
    Q_OBJECT
public:
    static constexpr int PortSearch = 16;

    struct Limits {
        int Connections = 8;
        int LineBytes = 4096;
        int LinesPerTurn = 16;
        qint64 OutputBytes = 65536; // unread answers beyond which a client is not served
        int StallMs = 10000;
        int IdleMs = 600000;
    };

    explicit ScpiServer(ScpiHost& host, QObject* parent = nullptr);
    ~ScpiServer() override;

    void SetLimits(const Limits& limits) { limits_ = limits; }

    // Stops a running server, then listens as `endpoint` says. False when it cannot: Status()
    // says why.
    bool Start(const ScpiEndpoint& endpoint);
    // Closes the server and every connection.
    void Stop();
    bool Listening() const;
    // The port listened on, 0 when not listening.
    int Port() const;
    QHostAddress Address() const;
    // "Listening on 127.0.0.1:5025", "Off", or why it is not listening.
    QString Status() const { return status_; }
    bool Failed() const { return failed_; }
    int Connections() const;
    // The *IDN? answer: "Orvande,Quavril,<host name>:<port>,3.92".
    QString Identity() const { return identity_; }

signals:
    // After every Start and Stop.
    void StatusChanged(const QString& status);

private:
    struct Connection;

    bool Fail(const QString& why);
    void SetStatus(const QString& status);
    void Accept();
    bool IsAllowed(QHostAddress peer) const;
    void Schedule();
    void Pump();
    bool Serve(Connection& c);
    std::optional<QByteArray> TakeLine(Connection& c);
    void Drop(Connection& c);
    void Housekeeping();
    void Cleanup();

    ScpiHost& host_;
    Limits limits_;
    std::unique_ptr<QTcpServer> server_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<std::pair<QHostAddress, int>> allowed_;
    QTimer pump_;
    QTimer housekeeping_;
    QString status_;
    QString identity_;
    bool failed_ = false;
    bool busy_ = false;  // a command is running (possibly in a nested event loop)
    bool again_ = false; // input arrived meanwhile
};

} // namespace quavril
