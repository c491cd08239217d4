// The readers the command-line program works on: every reader the system presents (no limit on
// their number, unlike the window's lists), each opened once and closed when the set goes, the
// choice of the readers a run is about (--reader, --path, --all, or the one the window would
// pick), and the reader's use cases as this program needs them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/reader_config.hpp"
#include "config/settings_words.hpp"
#include "link/hid_platform.hpp"
#include "link/zrhid.hpp"

namespace zrt::cli {

// One interface with a reader's identifiers. `reader` is set when it could be opened; otherwise
// `openError` says why not.
struct ReaderEntry {
    std::string path;
    std::uint16_t productId = 0;
    std::unique_ptr<link::ZrHID> reader;
    std::string openError;
};

class ReaderSet {
  public:
    explicit ReaderSet(link::HidPlatform& platform) : platform_(&platform) {}
    ~ReaderSet() { Close(); }
    ReaderSet(const ReaderSet&) = delete;
    ReaderSet& operator=(const ReaderSet&) = delete;

    // Lists the system's HID interfaces and opens every one with a reader's identifiers, product
    // 65 first, then 81, each in the system's order. False when the system gives no list.
    bool Search();
    void Close();

    std::vector<ReaderEntry>& Entries() { return entries_; }
    link::HidPlatform& Platform() { return *platform_; }

  private:
    link::HidPlatform* platform_;
    std::vector<ReaderEntry> entries_;
};

// What the command line asks for: one serial number, one path, every reader, or none of these.
struct Selection {
    std::optional<std::uint16_t> serial;
    std::optional<std::string> path;
    bool all = false;
};

// The entries a run works on, after a search. Every entry with a reader has its identity read
// ("M") when a serial number is asked for. With --all the entries that cannot be opened are among
// them (each fails with its reason); otherwise a reader that cannot be opened is never chosen,
// and when it may be the one asked for, the error names it with its reason. An error (no reader,
// no match, several matches for a serial number) is a message in `error`, with `kind` as the JSON
// error document names it; KIND_USAGE (the command line must change) also makes the exit status.
struct Chosen {
    std::vector<ReaderEntry*> entries;
    std::string error;
    const char* kind = "reader";
};
Chosen Choose(ReaderSet& readers, const Selection& selection);

// A link error in the catalogue's English, as a part of this program's messages ("/dev/hidraw3:
// the reader is in use by another program"): no capital, no full stop.
std::string LinkErrorText(std::int32_t code);
// What is wrong with a setting or a settings file, in the catalogue's English.
std::string SettingsErrorText(const config::SettingsError& error);

// Writes the record for `state`, reads it back and gives the verdict (core::WriteReader, for the
// model word last read from the reader), with one line per setting that differs when the reader
// did not store them ("number.size: wrote 4, reader has card"). Link errors pass as ZrHIDErr.
struct Written {
    bool stored = false;
    std::vector<config::SettingDifference> differences;
};
Written WriteAndVerify(link::ZrHID& reader, const config::ConfigState& state);

// Whether a reader of that model word holding `record` already holds the settings `state`, by the
// verdict of the read-back.
bool AlreadyHolds(std::uint16_t modelWord, const config::ReaderConfig& record,
                  const config::ConfigState& state);

}  // namespace zrt::cli
