// Times the synchronised start of the generators on the session bus (used by broadcast.sh):
// presses Ctrl+Insert through the X server's test extension in the copy that holds the hot
// key (its Sync box ticked, so the press is broadcast) and asks every generator for Playing,
// all at once and again, until all play. Then the same press switches them all off again,
// untimed. The time runs from the moment the key events go to the X server; every wait has a
// limit, and a run that passes it ends the probe with status 1.
//   broadcast_probe COUNT RUNS [LIMIT_MS]
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
#include <xcb/xcb.h>
#include <xcb/xtest.h>

using namespace quavril;
using Clock = std::chrono::steady_clock;

namespace {

// True when every generator answers that it plays (`playing`) or that it does not.
bool All(const std::vector<GeneratorPeers::Peer>& peers, bool playing) {
    std::vector<QDBusPendingCall> calls;
    for (const auto& p : peers)
        calls.push_back(QDBusConnection::sessionBus().asyncCall(
            QDBusMessage::createMethodCall(p.service, GeneratorPeers::ObjectPath,
                                           GeneratorPeers::Interface, "Playing"),
            2000));
    bool all = true;
    for (auto& call : calls) {
        QDBusPendingReply<bool> reply(call);
        reply.waitForFinished();
        all = all && reply.isValid() && reply.value() == playing;
    }
    return all;
}

// Polls until `playing` holds for all or `limit` has passed since `start`; false then.
bool WaitForAll(const std::vector<GeneratorPeers::Peer>& peers, bool playing,
                Clock::time_point start, std::chrono::milliseconds limit) {
    while (!All(peers, playing)) {
        if (Clock::now() - start > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Ctrl+Insert as a user types it, sent to the X server in one go.
class KeyPress {
public:
    KeyPress() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const xcb_keycode_t first = setup->min_keycode;
        const int count = setup->max_keycode - first + 1;
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, first, count), nullptr);
        if (!map)
            return;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        const int perCode = map->keysyms_per_keycode;
        for (int i = 0; i < count * perCode; ++i) {
            const auto code = static_cast<xcb_keycode_t>(first + i / perCode);
            if (syms[i] == 0xffe3 && !control_) // Control_L
                control_ = code;
            if (syms[i] == 0xff63 && !insert_) // Insert
                insert_ = code;
        }
        std::free(map);
    }
    ~KeyPress() { xcb_disconnect(connection_); }
    bool Usable() const { return control_ && insert_; }
    void Press() {
        for (auto [type, code] : {std::pair{XCB_KEY_PRESS, control_},
                                  {XCB_KEY_PRESS, insert_},
                                  {XCB_KEY_RELEASE, insert_},
                                  {XCB_KEY_RELEASE, control_}})
            xcb_test_fake_input(connection_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(connection_);
    }

private:
    xcb_connection_t* connection_;
    xcb_keycode_t control_ = 0, insert_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    const std::chrono::milliseconds limit(argc > 3 ? std::atoi(argv[3]) : 10000);
    KeyPress key;
    if (!key.Usable()) {
        std::fprintf(stderr, "broadcast_probe: no X server with Control and Insert keys\n");
        return 1;
    }
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
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        key.Press();
        if (!WaitForAll(peers, true, start, limit)) {
            std::fprintf(stderr,
                         "broadcast_probe: run %d: not all %zu generators played within "
                         "%lld ms\n",
                         run + 1, count, static_cast<long long>(limit.count()));
            return 1;
        }
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        times.push_back(took.count());
        std::printf("run %d: %.1f ms\n", run + 1, took.count());
        std::fflush(stdout);
        const auto off = Clock::now();
        key.Press();
        if (!WaitForAll(peers, false, off, limit)) {
            std::fprintf(stderr,
                         "broadcast_probe: run %d: not all generators stopped within "
                         "%lld ms\n",
                         run + 1, static_cast<long long>(limit.count()));
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("median of %d runs, %zu generators, from the key event until all play: %.1f ms\n",
                runs, count, times[times.size() / 2]);
    return 0;
}
