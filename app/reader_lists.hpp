// The program's two reader lists, shared by the shells of every platform.
#pragma once

#include "link/hid_platform.hpp"
#include "link/hid_vp_tab.hpp"

namespace zrt::app {

// The reader lists of product identifiers 65 and 81, empty until the first search. Destroyed in
// the reverse order, HidVP51 first, each closing the handles it still holds.
struct ReaderLists {
    explicit ReaderLists(link::HidPlatform& platform) : HidVP41(platform), HidVP51(platform) {}
    link::HidVPTab HidVP41;
    link::HidVPTab HidVP51;
};

}  // namespace zrt::app
