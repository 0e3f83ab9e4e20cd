// Times the synchronised start of the generators on the session bus (used by broadcast.sh):
// presses Ctrl+Insert with xdotool in the copy that holds the hot key (its Sync box ticked,
// so the press is broadcast) and asks every generator for Playing, all at once and again,
// until all play. Then the same press switches them all off again, untimed.
//   broadcast_probe COUNT RUNS
// Prints the time of each run and the median in milliseconds.
#include "app/GeneratorPeers.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace quavril;

namespace {

// True when every generator answers that it plays (`playing`) or that it does not.
bool All(const std::vector<GeneratorPeers::Peer>& peers, bool playing) {
    std::vector<QDBusPendingCall> calls;
    for (const auto& p : peers)
        calls.push_back(QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
            p.service, GeneratorPeers::ObjectPath, GeneratorPeers::Interface, "Playing")));
    bool all = true;
    for (auto& call : calls) {
        QDBusPendingReply<bool> reply(call);
        reply.waitForFinished();
        all = all && reply.isValid() && reply.value() == playing;
    }
    return all;
}

bool Press() {
    return std::system("xdotool key ctrl+Insert") == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    const GeneratorPeers bus(QDBusConnection::sessionBus());
    std::vector<GeneratorPeers::Peer> peers;
    for (int i = 0; i < 200 && peers.size() < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        peers = bus.List();
    }
    if (peers.size() != count) {
        std::fprintf(stderr, "broadcast_probe: %zu of %zu generators on the bus\n", peers.size(),
                     count);
        return 1;
    }
    std::vector<double> times, pressTimes;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (!Press())
            return 1;
        const std::chrono::duration<double, std::milli> pressed =
            std::chrono::steady_clock::now() - start;
        pressTimes.push_back(pressed.count());
        while (!All(peers, true))
            ;
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        std::printf("run %d: %.1f ms (xdotool %.1f ms)\n", run + 1, took.count(), pressed.count());
        if (!Press())
            return 1;
        while (!All(peers, false))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::sort(times.begin(), times.end());
    std::sort(pressTimes.begin(), pressTimes.end());
    std::printf("median of %d runs, %zu generators, from the key press until all play: %.1f ms "
                "(of which xdotool ran %.1f ms)\n",
                runs, count, times[times.size() / 2], pressTimes[pressTimes.size() / 2]);
    return 0;
}
