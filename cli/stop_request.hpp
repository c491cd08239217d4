// The stop of a run that goes on until it is stopped (provision): from its construction to its
// destruction, Ctrl+C and SIGTERM (on Windows the console's Ctrl+C, Ctrl+Break and close events)
// only ask the run to stop, which it does between two readers, never in the middle of a write or
// an upload. And the run's wait between two steps. One source a platform (linux/stop_request.cpp,
// windows/stop_request.cpp); one at a time in a process.
#pragma once

#include <chrono>
#include <memory>

#include "link/hid_changes.hpp"
#include "link/hid_platform.hpp"

namespace zrt::cli {

class StopRequest {
  public:
    StopRequest();
    ~StopRequest();
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

    bool Requested() const;
    // Returns after `timeout`, or sooner on a stop request or on a change signal of `changes`
    // (where the system gives its signals as a descriptor).
    void Wait(std::chrono::milliseconds timeout, link::HidChanges* changes);

    // The system's change signals as a run without a window receives them: the platform's where
    // they need no window (Linux's inotify); none where they come only to a window (Windows):
    // the run then searches at every step.
    static link::HidChanges* Changes(link::HidPlatform& platform);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zrt::cli
