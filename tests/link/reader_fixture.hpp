// Test fixture of the link tests: one virtual reader on the in-process virtual platform, found
// through a reader list and lent to a reader object, as the tool does it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "link/hid_vp_tab.hpp"
#include "link/zrhid.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::link::test {

using Bytes = std::vector<std::uint8_t>;

class ReaderFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.AddReader(reader);
        ASSERT_EQ(list.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
        zr.handle = list.Handle(0);
    }

    // The one feature report the reader received since the last call, report ID first.
    Bytes SentReport() {
        EXPECT_EQ(reader.Log().size(), 1u);
        Bytes report = reader.Log().empty() ? Bytes{} : reader.Log().back().report;
        reader.ClearLog();
        return report;
    }

    // The code of the ZrHIDErr that `action` raises, or -100 when it raises none.
    template <typename Action>
    static std::int32_t ErrorCode(Action&& action) {
        try {
            action();
        } catch (const ZrHIDErr& error) {
            return error.code;
        }
        return -100;
    }

    std::array<std::uint8_t, 16> record{0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                                        0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};
    sim::VirtualReader reader{ReaderInfo{151, 4242, 9}, record};
    sim::VirtualPlatform platform;
    HidVPTab list{platform};
    ZrHID zr{platform, PRODUCT_ID_51};
};

}  // namespace zrt::link::test
