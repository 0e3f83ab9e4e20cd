#include "app/OrderlyEnd.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quavril {

namespace {

// The write end of the pipe the signal handler writes into (async-signal-safe).
int signalPipe[2] = {-1, -1};

void OnSignal(int number) {
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

OrderlyEnd::OrderlyEnd(std::function<void()> finalSteps, QObject* parent)
    : QObject(parent), finalSteps_(std::move(finalSteps)) {}

OrderlyEnd::~OrderlyEnd() {
    if (notifier_) {
        for (int number : {SIGTERM, SIGINT, SIGHUP})
            std::signal(number, SIG_DFL);
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

void OrderlyEnd::WatchSignals() {
    if (notifier_ || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) == 1) {
        }
        emit EndRequested();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(number, &action, nullptr);
}

void OrderlyEnd::Finish() {
    if (finished_)
        return;
    finished_ = true;
    if (finalSteps_)
        finalSteps_();
}

} // namespace quavril
