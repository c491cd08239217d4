// What the window fixtures (plain and Qt) give the window besides its controls: virtual readers
// of both product identifiers on the in-process virtual platform, the two reader lists, the reader
// service with a catalogue of test images, and the letters of what a reader received.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/reader_service.hpp"
#include "firmware_test_images.hpp"
#include "link/hid_vp_tab.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::ui::test {

struct WindowReaders {
    static constexpr std::uint16_t IMAGE_VERSION = 12;
    // Dec (whole number), Enter, Mifare; S0 sends TAB, S3 sends F1 with left Shift.
    static constexpr std::array<std::uint8_t, 16> RECORD = {
        0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x02, 0, 0};

    WindowReaders() { readers.SetFirmwareCatalogue(images.View()); }

    // Command letters the reader received, in order.
    static std::string Wire(const sim::VirtualReader& reader) {
        std::string letters;
        for (const sim::Request& request : reader.Log()) {
            letters += static_cast<char>(request.command);
        }
        return letters;
    }

    sim::VirtualPlatform platform;
    link::HidVPTab hidVP41{platform};
    link::HidVPTab hidVP51{platform};
    core::ReaderService readers{platform, hidVP41, hidVP51};
    firmware::testing::TestCatalogue images{IMAGE_VERSION};

    // A test plugs in the ones it needs.
    sim::VirtualReader reader51{link::ReaderInfo{151, 42, IMAGE_VERSION}, RECORD,
                                link::PRODUCT_ID_51};
    sim::VirtualReader reader41{link::ReaderInfo{141, 7, IMAGE_VERSION}, RECORD,
                                link::PRODUCT_ID_41};
};

}  // namespace zrt::ui::test
