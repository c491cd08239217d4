// The readers' part of the trace (link/trace.hpp): a HidPlatform that passes every call on to the
// system's one and gives the trace a line for every feature report sent and received and for every
// search. The programs always put it between the reader link and the system's platform. Lines
// (after the time stamp):
//
//   search 2: d1=/dev/hidraw0 13ab:0051, d2=/dev/hidraw1 046d:c52b     the system's listing
//   search found the same 40 times in 60.0 s                         the same listing again
//   d1 opened                                     an interface opened, or why not ("no-access")
//   d1 send 63: 41 05 00 4d a1 f4                 the frame; the rest of the report is zeros
//   d1 recv 63: 41 0b 00 cd 97 04 92 10 0c 00 ...
//   d1 M answered the same 598 times in 60.0 s    the same request and reply again
//   d1 send 575: 49 12 02 59 [520 bytes #1a2b3c4d] 5e 0f      upgrade data: length and CRC-32
//   d1 recv failed: Broken pipe (errno 32)        the system's call failed, and why
//   search failed: ...                            the system gave no listing
//   no change signals: every tick searches        once: the platform gives none
//   change signals refused: every tick searches   once: the system refused them
//
// A device is named by its full path once per run ("d1=/dev/hidraw0"), by its short name after.
// A search's line is written when the listing comes; an open whose outcome is not that of the
// last search is written after it. An exchange (a report sent, then one read on the same device)
// that repeats the last one byte for byte is only counted; the fold's line tells how often.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"
#include "link/trace.hpp"

namespace zrt::link {

class TracePlatform : public HidPlatform {
  public:
    // Passes every call to `inner`, and the lines to `trace`; both outlive it.
    TracePlatform(HidPlatform& inner, Trace& trace);
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

    // The short name of a path ("d3"), given to it now when it has none, with the path in full
    // the first time ("d3=/dev/hidraw2").
    std::string Name(const std::string& path);

  private:
    struct Exchange {
        HidHandle handle = INVALID_HID_HANDLE;
        std::vector<std::uint8_t> sent;
        std::vector<std::uint8_t> received;
    };
    std::string ShortName(HidHandle handle) const;
    // Writes a report sent whose reply has not been read.
    void WritePendingSend();

    class TracedChanges;

    HidPlatform& inner_;
    Trace& trace_;
    std::map<std::string, std::string> names_;     // path -> "d1"
    std::map<HidHandle, std::string> handles_;     // the open handles' short names
    std::map<std::string, std::string> outcomes_;  // of each path's last open, its ids
    std::string lastListing_;
    Exchange pending_;  // sent, its reply not yet read
    bool sendPending_ = false;
    TraceTime sentAt_;
    Exchange last_;  // the last exchange written in full, or counted
    bool lastValid_ = false;
    std::string foldWhat_;  // "d1 M answered"
    bool changesAsked_ = false;
    std::unique_ptr<TracedChanges> changes_;
};

// The text of a report as the trace writes it: its length, then the frame (report ID, length,
// command, data, CRC) with the upgrade's data (commands "Z", "Y", "y") replaced by its length and
// CRC-32, then whatever follows the frame unless it is all zeros.
std::string ReportText(const std::uint8_t* buffer, std::size_t length);

}  // namespace zrt::link
