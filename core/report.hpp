// The report for support, which the window's "Pomoc" menu and the command line's `report FILE`
// save: the run's header, every HID interface the program sees (a reader's with whether it can
// be opened and why not), the current reader's identity and settings, the firmware images the
// program carries, and the lines the trace keeps in memory (link/trace.hpp).
#pragma once

#include <string>

#include "firmware/firmware_image.hpp"
#include "link/hid_platform.hpp"
#include "link/trace.hpp"
#include "link/zrhid.hpp"

namespace zrt::core {

// The report's text. `current`: the reader the program works with, or none; its identity and
// record are read afresh ("M", "c"), a link error said in their place. The trace's lines are
// taken before anything is asked of the readers.
std::string ComposeReport(const link::Trace& trace, link::HidPlatform& platform,
                          link::ZrHID* current, firmware::FirmwareCatalogue catalogue);

}  // namespace zrt::core
