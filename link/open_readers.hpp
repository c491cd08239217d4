// The one search of the readers: lists the system's HID interfaces and opens those that are, or
// may be, readers of the wanted identifiers, giving for each one either the open reader or the
// reason it was not opened. The window's reader lists (HidVPTab) and the command line's reader
// set are built on it.
#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"

namespace zrt::link {

// One candidate: an open reader (`handle`, now the caller's to close, and the identifiers read
// from it) or an interface that was not opened (`why`, and the identifiers of its hint).
struct FoundReader {
    std::string path;
    HidIds ids;
    HidHandle handle = INVALID_HID_HANDLE;
    OpenError why = OpenError::None;
};

struct SearchBounds {
    std::size_t indices = std::numeric_limits<std::size_t>::max();  // interface indices examined
    std::size_t opened = std::numeric_limits<std::size_t>::max();   // the search ends at the last
};

// Why an interface was not opened, in the command line's and the report's English: "no access:
// this user may not open the reader" with the system's advice (NoAccessAdvice), "in use by another
// program", ...
std::string OpenErrorReason(OpenError why);
// The identifiers as the trace and the report write them: "13ab:0051".
std::string IdsText(const HidIds& ids);

// Lists the interfaces into `listing` (its storage reused from search to search) and examines
// them in the system's order: an entry without a path (its query failed) and one whose hint is
// none of `wanted` are never opened; every other is opened and kept when the identifiers read
// from it are one of `wanted`, else closed again. An interface that cannot be opened, or whose
// identifiers cannot be read once open (closed again, reason Other), is given with its reason
// when its hint names one of `wanted` (without a hint nothing says it is a reader). `found` is replaced, in the order of `wanted` (the readers of wanted[0] first), each
// in the system's order. False, with `found` empty, when the system gives no list.
bool OpenReaders(HidPlatform& platform, std::span<const HidIds> wanted, SearchBounds bounds,
                 std::vector<HidInterface>& listing, std::vector<FoundReader>& found);

}  // namespace zrt::link
