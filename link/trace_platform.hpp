// The trace for support: a HidPlatform that passes every call on to the system's one and appends
// a line to a trace file for every feature report sent and received, and one for every search
// with what it found. The programs put it between the reader link and the system's platform only
// when asked (the window: ZRT_TRACE=FILE; the command line: --trace FILE); otherwise nothing of it
// runs. Lines, each beginning with the milliseconds since the program started:
//
//   1534 /dev/hidraw0 send 41 05 00 4d a1 f4 00 00 …     every byte of the report, report ID first
//   1535 /dev/hidraw0 recv 41 0b 00 cd …
//   1536 /dev/hidraw0 recv failed                          the system's call failed
//   1601 search 2: /dev/hidraw0 13ab:0041 opened; /dev/hidraw1 046d:c52b
//   1602 search failed                                      the system gave no listing
//   1603 no change signals: every tick searches             once: the platform gives none
//   1604 change signals refused: every tick searches        once: the system refused them
//
// A search line lists every interface the system listed, in its order: its path (or "(failed)"
// where the system's query failed), its identifiers where known ("?" where not), and whether the
// search opened it ("opened") or why not ("no-access", "in-use", "gone", "not-opened").
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"

namespace zrt::link {

class TracePlatform : public HidPlatform {
  public:
    using Clock = std::chrono::steady_clock;
    // Takes one line, its new line included.
    using Writer = std::function<void(const std::string& line)>;

    // Passes every call to `inner`, which outlives it, and gives the lines to `write`. `start`:
    // the moment the program started.
    TracePlatform(HidPlatform& inner, Writer write, Clock::time_point start);
    ~TracePlatform() override;
    TracePlatform(const TracePlatform&) = delete;
    TracePlatform& operator=(const TracePlatform&) = delete;

    bool ListInterfaces(std::vector<HidInterface>& out) override;
    HidHandle Open(const std::string& path, OpenError& why) override;
    bool GetIds(HidHandle handle, HidIds& ids) override;
    bool SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) override;
    bool GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) override;
    void Close(HidHandle handle) override;
    LockResult Lock(HidHandle handle, std::chrono::milliseconds wait) override;
    void Unlock(HidHandle handle) override;
    // The inner platform's changes, passed on; that there are none, or that the system refused
    // them, is written once.
    HidChanges* Changes() override;

  private:
    struct Listed {
        std::string path;
        std::string ids;     // "13ab:0041", "?"
        std::string opened;  // "", "opened", "no-access", ...
    };
    // Writes the search line of the last listing, if it has not been written yet. The line waits
    // for the opens and identifiers of its search, and goes out before the next call of another
    // kind.
    void FlushSearch();
    void Line(const std::string& text);
    void Report(HidHandle handle, const char* direction, const std::uint8_t* buffer,
                std::size_t length, bool ok);

    class TracedChanges;

    HidPlatform& inner_;
    Writer write_;
    Clock::time_point start_;
    std::map<HidHandle, std::string> paths_;  // of the open handles
    std::vector<Listed> search_;              // the listing whose line is still to be written
    bool searchPending_ = false;
    bool changesAsked_ = false;
    std::unique_ptr<TracedChanges> changes_;
};

// A tracing platform over `inner` appending to the file `path` (UTF-8), or none, with `error`
// saying why, when the file cannot be opened for appending.
std::unique_ptr<TracePlatform> OpenTrace(HidPlatform& inner, const std::string& path,
                                         TracePlatform::Clock::time_point start,
                                         std::string& error);

}  // namespace zrt::link
