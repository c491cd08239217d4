// The reader search of the main window: product identifier 65 first, then 81; the first reader
// found becomes the current one.
#pragma once

#include <functional>
#include <string>

#include "link/hid_vp_tab.hpp"
#include "link/zrhid.hpp"

namespace zrt::link {

// What a search works on: the two program-wide reader lists and the window's two reader objects.
struct ReaderSearch {
    HidVPTab& HidVP41;
    HidVPTab& HidVP51;
    ZrHID& Reader41;
    ZrHID& Reader51;
    ZrHID*& CurrentReader;
};

// Sets CurrentReader to none, then searches. True with CurrentReader set when a reader was chosen.
// A link error raised during the search is given to `showError` and gives false.
bool FindReader(ReaderSearch search, const std::function<void(const ZrHIDErr&)>& showError);

}  // namespace zrt::link
