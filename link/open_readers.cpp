// The reader search: what is opened, what is kept, and in which order the readers are given.
#include "link/open_readers.hpp"

#include <algorithm>
#include <cstdio>

#include "link/host_system.hpp"

namespace zrt::link {

namespace {

// The place of `ids` among the wanted; wanted.size() when it is none of them.
std::size_t Rank(std::span<const HidIds> wanted, const HidIds& ids) {
    return static_cast<std::size_t>(std::find(wanted.begin(), wanted.end(), ids) - wanted.begin());
}

}  // namespace

std::string OpenErrorReason(OpenError why) {
    switch (why) {
        case OpenError::NoAccess:
            return "no access: this user may not open the reader" + std::string(NoAccessAdvice());
        case OpenError::InUse:
            return "in use by another program";
        case OpenError::Gone:
            return "gone";
        case OpenError::SystemHeld:
            return "kept by the system (a reader's keyboard collection)";
        default:
            return "cannot be opened";
    }
}

std::string IdsText(const HidIds& ids) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", static_cast<unsigned>(ids.vendorId),
                  static_cast<unsigned>(ids.productId));
    return text;
}

bool OpenReaders(HidPlatform& platform, std::span<const HidIds> wanted, SearchBounds bounds,
                 std::vector<HidInterface>& listing, std::vector<FoundReader>& found) {
    found.clear();
    if (!platform.ListInterfaces(listing)) {
        return false;
    }
    std::size_t opened = 0;
    try {
        for (std::size_t i = 0; i < listing.size() && i < bounds.indices && opened < bounds.opened;
             ++i) {
            const HidInterface& candidate = listing[i];
            if (candidate.path.empty() ||
                (candidate.hint && Rank(wanted, *candidate.hint) == wanted.size())) {
                continue;  // nothing to open, or known not to be wanted: never opened
            }
            // Its entry is made before the open, so that nothing after the open can fail.
            FoundReader& reader = found.emplace_back();
            reader.path = candidate.path;
            reader.handle = platform.Open(candidate.path, reader.why);
            if (reader.handle == INVALID_HID_HANDLE) {
                if (candidate.hint) {
                    reader.ids = *candidate.hint;
                } else {
                    found.pop_back();
                }
            } else if (!platform.GetIds(reader.handle, reader.ids)) {
                // Its identity could not be read (a device just arrived may not answer yet): a
                // reader by its hint is given as not opened, anything else is let go.
                platform.Close(reader.handle);
                reader.handle = INVALID_HID_HANDLE;
                reader.why = OpenError::Other;
                if (candidate.hint) {
                    reader.ids = *candidate.hint;
                } else {
                    found.pop_back();
                }
            } else if (Rank(wanted, reader.ids) == wanted.size()) {
                platform.Close(reader.handle);
                found.pop_back();
            } else {
                ++opened;
            }
        }
    } catch (...) {
        for (const FoundReader& reader : found) {
            if (reader.handle != INVALID_HID_HANDLE) {
                platform.Close(reader.handle);
            }
        }
        found.clear();
        throw;
    }
    // In the order of `wanted`, each in the system's order: an insertion sort, as the lists are
    // short (and the window's have one identifier pair).
    for (std::size_t i = 1; i < found.size(); ++i) {
        for (std::size_t j = i;
             j > 0 && Rank(wanted, found[j - 1].ids) > Rank(wanted, found[j].ids); --j) {
            std::swap(found[j - 1], found[j]);
        }
    }
    return true;
}

}  // namespace zrt::link
