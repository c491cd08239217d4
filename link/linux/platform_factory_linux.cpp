// The system's HID platform on Linux: the hidraw backend over the real sysfs and /dev.
#include "link/linux/hidraw_platform.hpp"
#include "link/platform_factory.hpp"

namespace zrt::link {

std::unique_ptr<HidPlatform> MakeSystemPlatform() {
    return std::make_unique<HidrawPlatform>();
}

}  // namespace zrt::link
