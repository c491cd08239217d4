// Reader lists: the open HID interfaces of one vendor/product pair, at most eight, owned by the
// list until its next search or its destruction.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "link/hid_platform.hpp"
#include "link/open_readers.hpp"

namespace zrt::link {

class HidVPTab {
  public:
    static constexpr std::uint32_t MAX_HANDLES = 8;
    static constexpr std::uint32_t MAX_INTERFACE_INDEX = 64;  // interfaces 0..63 are examined

    explicit HidVPTab(HidPlatform& platform) : platform_(&platform) {}
    ~HidVPTab() { CloseAll(); }
    HidVPTab(const HidVPTab&) = delete;
    HidVPTab& operator=(const HidVPTab&) = delete;

    // Closes what the list held, then opens and keeps every matching interface. Never raises.
    std::uint32_t Enumerate(std::uint16_t vendorId, std::uint16_t productId);
    void CloseAll();
    // The handle in slot `index`; the list keeps ownership. ERR_PROGRAM when index >= count.
    HidHandle Handle(std::uint32_t index) const;
    std::uint32_t Count() const { return count_; }
    // Whether a search since the last call met an interface that the system says is one of the
    // wanted readers (by its hint) but refused to open for lack of permission, and that the search
    // before it had not met so. Once per plug-in of such a reader, then false until it is
    // unplugged and plugged in again. Clears the answer.
    bool TakeNewlyDenied() { return std::exchange(newlyDenied_, false); }
    // Whether the last search met such an interface, new or not.
    bool MetDenied() const { return !denied_.empty(); }
    // Whether the last search met an interface that the system says is one of the wanted readers
    // but that it could not open or identify, for any reason but the system keeping it for itself
    // (refused, held by another program, not ready, failed): one that may open later.
    bool MetUnopened() const { return metUnopened_; }

  private:
    HidPlatform* platform_;
    std::array<HidHandle, MAX_HANDLES> slots_{};
    std::uint32_t count_ = 0;
    std::vector<HidInterface> interfaces_;   // scratch space of Enumerate, reused by each search
    std::vector<FoundReader> found_;         // ... and so
    std::vector<std::string> denied_;        // wanted interfaces refused for lack of permission
    std::vector<std::string> deniedBefore_;  // ... by the search before
    bool newlyDenied_ = false;
    bool metUnopened_ = false;
};

}  // namespace zrt::link
