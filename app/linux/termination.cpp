// Ending the program from outside: the signal handler, its socket pair, and the quit in the loop.
#include "app/linux/termination.hpp"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

#include <array>
#include <atomic>
#include <cerrno>

namespace zrt::app {

namespace {

constexpr std::array<int, 3> SIGNALS = {SIGTERM, SIGINT, SIGHUP};

// The write end for the handler, the read end for the loop. One TerminationSignals at a time.
int sockets[2] = {-1, -1};
struct sigaction previous[SIGNALS.size()];
// What the handler writes to: the write end while the signals are ours, else -1. An atomic that
// needs no lock is safe to read in a signal handler.
std::atomic<int> handlerSocket{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int /*number*/) {
    const int savedErrno = errno;
    const int socket = handlerSocket.load();
    if (socket >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(socket, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets) != 0) {
        sockets[0] = sockets[1] = -1;
        return;  // the program still runs; it just cannot be ended this way
    }
    notifier_ = std::make_unique<QSocketNotifier>(sockets[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [] {
        char bytes[16];
        while (::read(sockets[1], bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::exit(0);  // ends the main loop and any box's loop with it
    });
    handlerSocket.store(sockets[0]);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < SIGNALS.size(); ++i) {
        sigaction(SIGNALS[i], &action, &previous[i]);
    }
}

TerminationSignals::~TerminationSignals() {
    if (sockets[0] < 0) {
        return;
    }
    // A signal arriving from here on writes nothing: the sockets are about to close, and their
    // numbers may be reused by anything the program opens next.
    handlerSocket.store(-1);
    for (std::size_t i = 0; i < SIGNALS.size(); ++i) {
        sigaction(SIGNALS[i], &previous[i], nullptr);
    }
    notifier_.reset();
    ::close(sockets[0]);
    ::close(sockets[1]);
    sockets[0] = sockets[1] = -1;
}

}  // namespace zrt::app
