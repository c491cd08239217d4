// SearchPace: when the window's poll searches while no reader is open. A search costs a listing of
// the system's HID interfaces, and a tool left open all day should cost what an empty window
// costs; so, where the system signals changes to its HID interfaces, a tick searches only after
// such a change, or at the latest every SAFETY_INTERVAL in case a signal was missed (the window's
// activation searches too, so a user coming back to it never waits for the net). A tick after
// a search that found a reader which is not open now (another program held its lock, its load
// failed, it was unplugged) searches again at once. A search that met a reader it could not open
// (another program holds it exclusively, this user may not open it yet or at all, it did not
// answer just after arriving) is followed by another every RETRY_INTERVAL until the reader opens
// or is gone: no signal comes when such a reader becomes free. Without signals, or where the
// system refused them, every tick searches.
#pragma once

#include <chrono>
#include <utility>

#include "link/hid_changes.hpp"
#include "link/hid_platform.hpp"

namespace zrt::core {

class SearchPace {
  public:
    // A minute: each listing of the HID interfaces costs, and the system's signals are not known to
    // get lost; a safety net every few seconds cost the idle window as much as all else it does.
    static constexpr std::chrono::seconds SAFETY_INTERVAL{60};
    // A reader met but not opened: a second, so that a reader another program lets go is loaded
    // within about a second of that, at the cost of one listing a second meanwhile.
    static constexpr std::chrono::seconds RETRY_INTERVAL{1};

    // The platform's change signals are asked for at the first tick (a program that never polls
    // never sets them up).
    explicit SearchPace(link::HidPlatform& platform) : platform_(&platform) {}
    void SetClock(link::SteadyNow now) { now_ = std::move(now); }

    // Whether a tick with no reader open searches now. Takes the pending change signal.
    bool Due();
    // Every search (tick or activation) is bracketed by these: the change signal pending before it
    // is taken (the search sees that change; one arriving during it stays for the next tick), and
    // when it ended, whether it chose a reader and whether it met a reader it could not open are
    // noted.
    void BeforeSearch();
    void AfterSearch(bool found, bool metUnopened);

  private:
    link::HidChanges* Changes();

    link::HidPlatform* platform_;
    bool asked_ = false;
    link::HidChanges* changes_ = nullptr;
    link::SteadyNow now_ = [] { return std::chrono::steady_clock::now(); };
    bool searched_ = false;
    bool found_ = false;
    bool metUnopened_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace zrt::core
