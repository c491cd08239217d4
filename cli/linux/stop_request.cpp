// The stop request on Linux: SIGINT and SIGTERM set a flag and wake the wait through a pipe; the
// earlier handlers come back at the end.
#include "cli/stop_request.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace zrt::cli {

namespace {

std::atomic<bool> requested{false};
int wakeRead = -1;
int wakeWrite = -1;

extern "C" void AskToStop(int /*signal*/) {
    requested = true;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    errno = saved;
}

}  // namespace

struct StopRequest::State {
    struct sigaction previousInterrupt {};
    struct sigaction previousTerminate {};
};

StopRequest::StopRequest() : state_(std::make_unique<State>()) {
    requested = false;
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = ends[0];
        wakeWrite = ends[1];
    }
    struct sigaction action {};
    action.sa_handler = AskToStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &state_->previousInterrupt);
    ::sigaction(SIGTERM, &action, &state_->previousTerminate);
}

StopRequest::~StopRequest() {
    ::sigaction(SIGINT, &state_->previousInterrupt, nullptr);
    ::sigaction(SIGTERM, &state_->previousTerminate, nullptr);
    for (int* end : {&wakeRead, &wakeWrite}) {
        if (*end >= 0) {
            ::close(*end);
            *end = -1;
        }
    }
}

bool StopRequest::Requested() const {
    return requested;
}

void StopRequest::Wait(std::chrono::milliseconds timeout, link::HidChanges* changes) {
    if (requested) {
        return;
    }
    pollfd waited[2] = {{wakeRead, POLLIN, 0},
                        {changes != nullptr ? changes->Descriptor() : -1, POLLIN, 0}};
    ::poll(waited, 2, static_cast<int>(timeout.count()));  // a negative descriptor is left out
}

link::HidChanges* StopRequest::Changes(link::HidPlatform& platform) {
    return platform.Changes();
}

}  // namespace zrt::cli
