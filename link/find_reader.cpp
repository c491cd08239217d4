// The reader search of the main window: the list of product identifier 65 first, then that of 81;
// the first reader found lends its handle to the matching reader object and becomes current.
#include "link/find_reader.hpp"

namespace zrt::link {

bool FindReader(ReaderSearch search, const std::function<void(const ZrHIDErr&)>& showError) {
    search.CurrentReader = nullptr;
    try {
        if (search.HidVP41.Enumerate(VENDOR_ID, search.Reader41.productId) != 0) {
            search.Reader41.handle = search.HidVP41.Handle(0);
            search.CurrentReader = &search.Reader41;
            return true;
        }
        if (search.HidVP51.Enumerate(VENDOR_ID, search.Reader51.productId) != 0) {
            search.Reader51.handle = search.HidVP51.Handle(0);
            search.CurrentReader = &search.Reader51;
            return true;
        }
    } catch (const ZrHIDErr& error) {
        // CurrentReader is still none: it is set only after the handle was had.
        if (showError) {
            showError(error);
        }
    }
    return false;
}

}  // namespace zrt::link
