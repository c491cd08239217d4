// The one place that picks the system's HID support: the backend this build was made for (hidraw on
// Linux, the HID class calls on Windows), chosen when building.
#pragma once

#include <memory>

#include "link/hid_platform.hpp"

namespace zrt::link {

// The system's HID platform of this build.
std::unique_ptr<HidPlatform> MakeSystemPlatform();

}  // namespace zrt::link
