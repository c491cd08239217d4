// Device-change notifications behind the HID platform seam: the one question the window's poll asks
// of the system while no reader is open ("did the HID interfaces change since I last asked?"), so
// that it searches only after a change instead of on every tick; and the clock that paces the
// searches, a seam so that tests need not wait.
#pragma once

#include <chrono>
#include <functional>
#include <utility>

namespace zrt::link {

// Every backend's changes, and the one way the system's signals reach them from the program's
// event loop: the start-up of each platform makes its loop wait for the signals, calls Arrived()
// from the loop for each one, and calls Watched() once it waits, or WatchRefused() when the system
// refused to send them. The Linux loop waits on Descriptor() (inotify); the Windows loop on
// WM_DEVICECHANGE for the HID interface class, sent to the main window. Without a loop (the
// command line, tests), TakeChanged asks the system itself where it can.
class HidChanges {
  public:
    virtual ~HidChanges() = default;
    // True when the system signalled a change to its HID interfaces (one added, removed, or its
    // access changed) since the last call; clears the answer.
    virtual bool TakeChanged() = 0;

    // A signal reached the event loop: the next TakeChanged answers true.
    virtual void Arrived() = 0;
    // The loop calls Arrived() for every signal from now on: TakeChanged need not ask the system.
    virtual void Watched() {}
    // The system refused the loop its signals (Windows: the registration for them failed): no
    // Arrived() will come, and TakeChanged answers true from now on, so that every tick searches,
    // as without any signals.
    virtual void WatchRefused() = 0;
    // Where the signals come as a file descriptor (Linux): that descriptor, readable while signals
    // wait, for the loop to wait on; -1 where they come otherwise.
    virtual int Descriptor() const { return -1; }
};

// Changes that only Arrived() brings: the Windows backend's (its loop's WM_DEVICECHANGE) and the
// virtual platform's (its plugs). Starts as changed; always changed once the watch was refused.
class HidChangeFlag final : public HidChanges {
  public:
    bool TakeChanged() override { return std::exchange(changed_, false) || refused_; }
    void Arrived() override { changed_ = true; }
    void WatchRefused() override { refused_ = true; }

  private:
    bool changed_ = true;
    bool refused_ = false;
};

// The monotonic time of the searches' pacing; steady_clock::now unless a test sets its own.
using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

}  // namespace zrt::link
