// The vendor and product identifiers written into a Windows HID device path, read without opening
// the device: the Windows backend's hint for the search, and the command-line program's listing.
#pragma once

#include <optional>
#include <string_view>

#include "link/hid_platform.hpp"

namespace zrt::link {

// The identifiers of "vid_XXXX" and "pid_XXXX" (hexadecimal, any case) in a device path such as
// "\\?\hid#vid_13ab&pid_0041&mi_00#...": none when the path lacks either part or a digit is not
// hexadecimal (a Bluetooth path spells them otherwise and gets none).
std::optional<HidIds> IdsFromDevicePath(std::string_view path);

}  // namespace zrt::link
