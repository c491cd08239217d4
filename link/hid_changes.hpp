// Device-change notifications behind the HID platform seam: the one question the window's poll asks
// of the system while no reader is open ("did the HID interfaces change since I last asked?"), so
// that it searches only after a change instead of on every tick; and the clock that paces the
// searches, a seam so that tests need not wait.
#pragma once

#include <chrono>
#include <functional>
#include <utility>

namespace zrt::link {

class HidChanges {
  public:
    virtual ~HidChanges() = default;
    // True when the system signalled a change to its HID interfaces (one added, removed, or its
    // access changed) since the last call; clears the answer.
    virtual bool TakeChanged() = 0;

    // Where the signals come as a file descriptor (Linux), an event loop may wait on it instead of
    // each TakeChanged asking the system: Descriptor() is that descriptor (-1: none), readable
    // while signals wait; once Watched() was called, the loop calls Arrived() whenever it is
    // readable, and TakeChanged answers from what Arrived() took in.
    virtual int Descriptor() const { return -1; }
    virtual void Watched() {}
    virtual void Arrived() {}
};

// Changes signalled by whoever receives the system's notifications (on Windows the main window,
// from WM_DEVICECHANGE; the virtual platform, from its plugs). Starts as changed.
class HidChangeFlag final : public HidChanges {
  public:
    void Signal() { changed_ = true; }
    bool TakeChanged() override { return std::exchange(changed_, false); }

  private:
    bool changed_ = true;
};

// The monotonic time of the searches' pacing; steady_clock::now unless a test sets its own.
using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

}  // namespace zrt::link
