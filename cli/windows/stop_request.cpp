// The stop request on Windows: the console control handler sets a flag and an event that ends the
// wait. For the console's close (and logoff, shutdown) the system ends the process once the handler
// returns, so the handler returns only when the run has ended (or the system's own limit passed).
#include <windows.h>

#include "cli/stop_request.hpp"

#include <atomic>

namespace zrt::cli {

namespace {

std::atomic<bool> requested{false};
// Made once and kept for the process: a handler may still run after a run's end.
const HANDLE stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set on a stop request
const HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);    // set when the run ended

BOOL WINAPI AskToStop(DWORD event) {
    requested = true;
    SetEvent(stopped);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        WaitForSingleObject(ended, INFINITE);
    }
    return TRUE;
}

}  // namespace

struct StopRequest::State {};

StopRequest::StopRequest() : state_(std::make_unique<State>()) {
    requested = false;
    ResetEvent(stopped);
    ResetEvent(ended);
    SetConsoleCtrlHandler(AskToStop, TRUE);
}

StopRequest::~StopRequest() {
    SetEvent(ended);
    SetConsoleCtrlHandler(AskToStop, FALSE);
}

bool StopRequest::Requested() const {
    return requested;
}

void StopRequest::Wait(std::chrono::milliseconds timeout, link::HidChanges* /*changes*/) {
    WaitForSingleObject(stopped, static_cast<DWORD>(timeout.count()));
}

link::HidChanges* StopRequest::Changes(link::HidPlatform& /*platform*/) {
    return nullptr;
}

}  // namespace zrt::cli
