// quavril-cli send and generators: the numbered messages to running generators over the
// session bus, addressed to one process or broadcast to every generator with this version's
// title, as the Sync box does.
#include "app/GeneratorPeers.h"
#include "tools/CliCommands.h"
#include "tools/CliSupport.h"
#include "ui/ApplicationTitle.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <iostream>
#include <memory>

namespace quavril::cli {
namespace {

const char* SendUsage =
    "Usage: quavril-cli send CODE [WPARAM [LPARAM]] [--pid PID]\n"
    "  Sends the numbered message CODE with two parameters (0 unless given) to the generator\n"
    "  with process id PID or, without --pid, to every running generator of this version\n"
    "  (as its Sync box does), one after the other, each after the previous has acted on it.\n"
    "  Numbers are decimal signed 32-bit integers; CODE may also be on (1024), off (1025) or\n"
    "  pause (1026). A generator whose action failed (a start on a device that cannot play)\n"
    "  says why; each such reason is printed as one line \"quavril-cli: generator PID: ...\".\n"
    "  Exit status 0 when at least one generator received it and none failed, 1 when none\n"
    "  received it or one failed, 2 on bad arguments.\n"
    "  The same for one generator with gdbus ('--' lets negative numbers through):\n"
    "    gdbus call --session --dest org.orvande.Quavril.instancePID --object-path /Generator \\\n"
    "      --method org.orvande.Quavril.Generator.Message -- CODE WPARAM LPARAM\n";

const char* GeneratorsUsage =
    "Usage: quavril-cli generators\n"
    "  Lists the running generators, one line each: process id, a tab, the title, and for a\n"
    "  generator with a SCPI server a tab and its TCP port.\n";

int BadArguments(const std::string& message) {
    std::cerr << "quavril-cli: " << message << "\n";
    return 2;
}

// A decimal signed 32-bit integer ("-1", "100050"); nothing for anything else.
std::optional<int32_t> ParseInt32(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long long v = negative ? -std::stoll(digits) : std::stoll(digits);
    if (v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(v);
}

std::optional<int32_t> ParseCode(const std::string& text) {
    if (text == "on")
        return CodeOf(MessageCode::On);
    if (text == "off")
        return CodeOf(MessageCode::Off);
    if (text == "pause")
        return CodeOf(MessageCode::Pause);
    return ParseInt32(text);
}

QString GeneratorTitle() {
    return QString::fromLatin1(ApplicationTitle::ProductName) + ' ' +
           QString::fromLatin1(ApplicationTitle::VersionText);
}

int NoGenerator() {
    std::cerr << "quavril-cli: no running generator\n";
    return 1;
}

// The session bus, settled before the program ends: after an error reply the bus thread
// still hands the error on (a queued signal) once the waiting call has its answer. One more
// round trip to the bus, answered only after that, keeps the end of the program from taking
// the signal's types away under it.
class SettledBus {
public:
    SettledBus() : bus_(QDBusConnection::sessionBus()) {}
    ~SettledBus() {
        if (bus_.isConnected())
            bus_.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                     QStringLiteral("/org/freedesktop/DBus"),
                                                     QStringLiteral("org.freedesktop.DBus.Peer"),
                                                     QStringLiteral("Ping")),
                      QDBus::Block, 2000);
    }
    const QDBusConnection& Get() const { return bus_; }

private:
    QDBusConnection bus_;
};

int Failed(qint64 pid, const QString& failure) {
    std::cerr << "quavril-cli: generator " << pid << ": " << failure.toStdString() << "\n";
    return 1;
}

} // namespace

int RunSend(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (auto error = ParseArgs(args, {"pid"}, {}, a))
        return BadArguments(*error);
    if (a.help) {
        std::cout << SendUsage;
        return 0;
    }
    if (a.positional.empty() || a.positional.size() > 3)
        return BadArguments("send needs CODE [WPARAM [LPARAM]] (see quavril-cli send --help)");
    const auto code = ParseCode(a.positional[0]);
    if (!code)
        return BadArguments("code '" + a.positional[0] +
                            "' is not on, off, pause or a signed 32-bit decimal number");
    int32_t params[2] = {0, 0};
    for (size_t i = 1; i < a.positional.size(); ++i) {
        const auto value = ParseInt32(a.positional[i]);
        if (!value)
            return BadArguments(std::string(i == 1 ? "wParam" : "lParam") + " '" + a.positional[i] +
                                "' is not a signed 32-bit decimal number");
        params[i - 1] = *value;
    }
    std::optional<int32_t> pid;
    if (const auto text = a.Option("pid")) {
        pid = ParsePositive(*text);
        if (!pid)
            return BadArguments("process id '" + *text + "' is not a positive number");
    }

    const auto app = EnsureApplication();
    const SettledBus own;
    const QDBusConnection& bus = own.Get();
    if (!bus.isConnected())
        return NoGenerator();
    const GeneratorPeers peers(bus);
    const auto message = static_cast<MessageCode>(*code);
    if (pid) {
        const QString service = GeneratorPeers::ServiceName(*pid);
        const auto answer = peers.Message(service, message, params[0], params[1]);
        if (!answer.replied)
            return NoGenerator();
        return answer.failure.isEmpty() ? 0 : Failed(*pid, answer.failure);
    }
    const auto result = peers.Broadcast(GeneratorTitle(), message, params[0], params[1]);
    if (result.delivered == 0)
        return NoGenerator();
    for (const auto& [failedPid, failure] : result.failures)
        Failed(failedPid, failure);
    return result.failures.empty() ? 0 : 1;
}

int RunGenerators(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (auto error = ParseArgs(args, {}, {}, a))
        return BadArguments(*error);
    if (a.help) {
        std::cout << GeneratorsUsage;
        return 0;
    }
    if (!a.positional.empty())
        return BadArguments("generators takes no arguments");
    const auto app = EnsureApplication();
    const SettledBus own;
    const QDBusConnection& bus = own.Get();
    if (!bus.isConnected())
        return 0;
    const GeneratorPeers peers(bus);
    const auto list = peers.List();
    const auto titles = peers.Titles(list);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!titles[i])
            continue;
        std::cout << list[i].pid << '\t' << titles[i]->toStdString();
        if (const auto port = peers.ScpiPort(list[i].service); port && *port > 0)
            std::cout << '\t' << *port;
        std::cout << '\n';
    }
    return 0;
}

} // namespace quavril::cli
