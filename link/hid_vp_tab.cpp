// Reader lists: the search that opens and keeps the matching HID interfaces of one vendor/product
// pair, and the release of what a list holds.
#include "link/hid_vp_tab.hpp"

#include <algorithm>
#include <new>
#include <vector>

#include "link/link_error.hpp"

namespace zrt::link {

std::uint32_t HidVPTab::Enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    CloseAll();

    // The listing is kept between searches so that the poll's repeated searches reuse its storage.
    bool listed = false;
    try {
        listed = platform_->ListInterfaces(interfaces_);
    } catch (const std::bad_alloc&) {
        listed = false;  // a search never raises: no memory for the list is no list
    }
    if (!listed) {
        return 0;
    }

    denied_.swap(deniedBefore_);
    denied_.clear();
    const HidIds wanted{vendorId, productId};
    for (std::size_t i = 0;
         i < interfaces_.size() && i < MAX_INTERFACE_INDEX && count_ < MAX_HANDLES; ++i) {
        const HidInterface& candidate = interfaces_[i];
        if (candidate.path.empty()) {
            continue;  // an index whose query failed: counted, nothing to open
        }
        if (candidate.hint && *candidate.hint != wanted) {
            continue;  // known not to match: never opened
        }
        OpenError why = OpenError::None;
        const HidHandle handle = platform_->Open(candidate.path, why);
        if (handle == INVALID_HID_HANDLE) {
            if (why == OpenError::NoAccess && candidate.hint) {
                denied_.push_back(candidate.path);
                newlyDenied_ = newlyDenied_ || std::find(deniedBefore_.begin(), deniedBefore_.end(),
                                                         candidate.path) == deniedBefore_.end();
            }
            continue;
        }
        HidIds ids;
        if (platform_->GetIds(handle, ids) && ids == wanted) {
            slots_[count_++] = handle;
        } else {
            platform_->Close(handle);
        }
    }
    return count_;
}

void HidVPTab::CloseAll() {
    for (std::uint32_t i = 0; i < count_; ++i) {
        if (slots_[i] != INVALID_HID_HANDLE) {
            platform_->Close(slots_[i]);
        }
    }
    count_ = 0;
}

HidHandle HidVPTab::Handle(std::uint32_t index) const {
    if (index >= count_) {
        throw ZrHIDErr{ERR_PROGRAM};
    }
    return slots_[index];
}

}  // namespace zrt::link
