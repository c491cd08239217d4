// The identifiers read from a Windows HID device path without opening the device: plain C++, so
// the table runs natively as well as under wine.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "link/windows/device_path_ids.hpp"

namespace zrt::link {
namespace {

TEST(DevicePathIds, TakesFourHexDigitsAfterVidAndPidOrNothing) {
    const std::string guid = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const struct {
        std::string path;
        std::optional<HidIds> ids;
    } table[] = {
        // A USB path, with and without an interface number and a collection.
        {R"(\\?\hid#vid_13ab&pid_0041#6&3b&0&0000)" + guid, HidIds{0x13AB, 0x0041}},
        {R"(\\?\hid#vid_13ab&pid_0051&mi_00&col01#8&2a&0&0000)" + guid, HidIds{0x13AB, 0x0051}},
        // Any case, every hexadecimal digit, the extremes.
        {R"(\\?\HID#VID_046D&PID_C52B&MI_00#7&1A&0&0000)" + guid, HidIds{0x046D, 0xC52B}},
        {"vid_fFfF&pid_0000", HidIds{0xFFFF, 0x0000}},
        {"vid_9876&pid_abcd", HidIds{0x9876, 0xABCD}},
        // The four digits end the path: nothing past them is read.
        {"vid_13ab&pid_0041", HidIds{0x13AB, 0x0041}},
        // Cut short: after "vid_", within the digits, after "pid_", one digit short at the end.
        {R"(\\?\hid#vid_)", std::nullopt},
        {R"(\\?\hid#vid_13a)", std::nullopt},
        {"pid_0041&vid_13a", std::nullopt},
        {"vid_13ab&pid_", std::nullopt},
        {"vid_13ab&pid_004", std::nullopt},
        // A digit that is not hexadecimal, or a sign.
        {"vid_13ag&pid_0041", std::nullopt},
        {"vid_13ab&pid_00 4", std::nullopt},
        {"vid_+3ab&pid_0041", std::nullopt},
        // A part missing: no product, no vendor, a Bluetooth path's spelling, nothing at all.
        {R"(\\?\hid#vid_13ab&mi_00#7&1a&0&0000)" + guid, std::nullopt},
        {R"(\\?\hid#pid_0041#7&1a&0&0000)" + guid, std::nullopt},
        {R"(\\?\hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&000213ab_pid&0041#9&1&0)",
         std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.path);
        const std::optional<HidIds> ids = IdsFromDevicePath(row.path);
        ASSERT_EQ(ids.has_value(), row.ids.has_value());
        if (ids) {
            EXPECT_EQ(ids->vendorId, row.ids->vendorId);
            EXPECT_EQ(ids->productId, row.ids->productId);
        }
    }
}

}  // namespace
}  // namespace zrt::link
