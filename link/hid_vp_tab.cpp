// Reader lists: the readers of one vendor/product pair kept from the reader search, the refusals
// for lack of permission noted once per plug-in, and the release of what a list holds.
#include "link/hid_vp_tab.hpp"

#include <algorithm>
#include <new>
#include <vector>

#include "link/link_error.hpp"

namespace zrt::link {

std::uint32_t HidVPTab::Enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    CloseAll();
    // The listing and the readers found are kept between searches so that the poll's repeated
    // searches reuse their storage.
    const HidIds wanted[] = {{vendorId, productId}};
    bool listed = false;
    try {
        listed = OpenReaders(*platform_, wanted, {MAX_INTERFACE_INDEX, MAX_HANDLES}, interfaces_,
                             found_);
    } catch (const std::bad_alloc&) {
        listed = false;  // a search never raises: no memory for the list is no list
    }
    metUnopened_ = false;
    if (!listed) {
        return 0;
    }

    denied_.swap(deniedBefore_);
    denied_.clear();
    for (const FoundReader& reader : found_) {
        if (reader.handle != INVALID_HID_HANDLE) {
            slots_[count_++] = reader.handle;
            continue;
        }
        metUnopened_ = metUnopened_ || reader.why != OpenError::SystemHeld;
        if (reader.why == OpenError::NoAccess) {
            denied_.push_back(reader.path);
            newlyDenied_ = newlyDenied_ || std::find(deniedBefore_.begin(), deniedBefore_.end(),
                                                     reader.path) == deniedBefore_.end();
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
