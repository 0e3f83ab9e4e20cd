// A stand-in generator for the tests of running copies together: the real GeneratorBus (and,
// with --hotkey, the real HotKey) over a message target that records what it receives.
//
//   fake_generator [--title TEXT] [--timeout MS] [--hotkey] [--sync] [--fail TEXT]
//                  [--broadcast-at EPOCH_MS CODE]...
//
// Prints, one line each and flushed: "ready bus" or "ready alone", "hotkey grabbed" or
// "hotkey none", "message CODE W L" for every message it acts on, "trigger" for every hot key
// press, "broadcast CODE delivered N skipped M" after each own broadcast. Code 1024 sets
// Playing, 1025 clears it, 1027 sets the sync flag; the hot key toggles like the real Trigger
// (broadcast with the sync flag, local otherwise). Value("messages") gives the received
// messages as "CODE,W,L" separated by spaces, Value("triggers") their count. SIGTERM ends it in
// order (bus name and hot key released).
#include "app/GeneratorBus.h"
#include "app/HotKey.h"
#include "session/MessageTarget.h"
#include "ui/ApplicationTitle.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace quavril;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class FakeTarget : public MessageTarget {
public:
    std::string title =
        std::string(ApplicationTitle::ProductName) + " " + ApplicationTitle::VersionText;
    bool playing = false;
    bool paused = false;
    bool sync = false;
    std::optional<std::string> failure;
    int triggers = 0;
    std::string messages;

    std::string Title() const override { return title; }
    bool Playing() const override { return playing; }
    bool Paused() const override { return paused; }
    std::optional<std::string> Dispatch(MessageCode code, int32_t w, int32_t l) override {
        if (code == MessageCode::On)
            playing = !failure;
        else if (code == MessageCode::Off)
            playing = false;
        else if (code == MessageCode::Pause)
            paused = !paused;
        else if (code == MessageCode::Sync)
            sync = w != 0;
        const std::string entry =
            std::to_string(CodeOf(code)) + " " + std::to_string(w) + " " + std::to_string(l);
        messages += (messages.empty() ? "" : " ") + std::to_string(CodeOf(code)) + "," +
                    std::to_string(w) + "," + std::to_string(l);
        Say("message " + entry);
        return code == MessageCode::On ? failure : std::nullopt;
    }
    std::optional<std::string> Value(std::string_view name) const override {
        if (name == "messages")
            return messages;
        if (name == "triggers")
            return std::to_string(triggers);
        return std::nullopt;
    }
};

int termPipe[2] = {-1, -1};
void OnTerm(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(termPipe[1], &c, 1);
}

} // namespace

int main(int argc, char** argv) {
    bool hotkey = false;
    for (int i = 1; i < argc; ++i)
        hotkey = hotkey || std::string(argv[i]) == "--hotkey";
    // The hot key needs the X11 connection of a GUI application; everything else runs headless.
    std::unique_ptr<QCoreApplication> app;
    if (hotkey)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);

    FakeTarget target;
    GeneratorBus bus(target);
    struct Planned {
        qint64 at;
        int32_t code;
    };
    std::vector<Planned> planned;
    const QStringList args = app->arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--title" && i + 1 < args.size())
            target.title = args[++i].toStdString();
        else if (args[i] == "--timeout" && i + 1 < args.size())
            bus.SetReplyTimeout(args[++i].toInt());
        else if (args[i] == "--sync")
            target.sync = true;
        else if (args[i] == "--fail" && i + 1 < args.size())
            target.failure = args[++i].toStdString();
        else if (args[i] == "--broadcast-at" && i + 2 < args.size()) {
            const qint64 at = args[++i].toLongLong();
            planned.push_back({at, args[++i].toInt()});
        }
    }

    QObject::connect(&bus, &GeneratorBus::Broadcasted, [](MessageCode code, int n, int skipped) {
        Say("broadcast " + std::to_string(CodeOf(code)) + " delivered " + std::to_string(n) +
            " skipped " + std::to_string(skipped));
    });
    const auto broadcaster = bus.Broadcaster();
    HotKey key([&] {
        ++target.triggers;
        Say("trigger");
        const MessageCode code = target.playing ? MessageCode::Off : MessageCode::On;
        if (target.sync)
            broadcaster(code);
        else
            target.Dispatch(code, 0, 0);
    });

    Say(bus.Install() ? "ready bus" : "ready alone");
    if (hotkey)
        Say(key.Grab() ? "hotkey grabbed" : "hotkey none");

    for (const Planned& p : planned) {
        const qint64 wait = std::max<qint64>(0, p.at - QDateTime::currentMSecsSinceEpoch());
        QTimer::singleShot(int(wait), Qt::PreciseTimer,
                           [&broadcaster, code = p.code] { broadcaster(MessageCode(code)); });
    }

    ::socketpair(AF_UNIX, SOCK_STREAM, 0, termPipe);
    std::signal(SIGTERM, OnTerm);
    QSocketNotifier onTerm(termPipe[0], QSocketNotifier::Read);
    QObject::connect(&onTerm, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });

    const int status = app->exec();
    key.Release();
    bus.Release();
    return status;
}
