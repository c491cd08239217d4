// The system's HID platform on Windows: the HID class and device-installation calls.
#include "link/platform_factory.hpp"
#include "link/windows/win_hid_platform.hpp"

namespace zrt::link {

std::unique_ptr<HidPlatform> MakeSystemPlatform() {
    return std::make_unique<WinHidPlatform>();
}

}  // namespace zrt::link
