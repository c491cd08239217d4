// Fuzz target: the firmware image check and the upgrade. Arbitrary image bytes, held in a block of
// exactly their size, form the one row of an injected catalogue (with a length constant that is
// the bytes' size, what their header implies, or anything); a virtual reader of that model is
// offered the image and the question is answered. What must hold: the question comes exactly when
// the image is newer than the reader's firmware (and not a test image this build may not upload);
// an inconsistent image sends nothing and reports itself damaged; a consistent one sends exactly
// "Z" with the header, "Y" for each of the N blocks in order, "y" with the reader's code from the
// image's table, and "z", nothing else, and finishes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/reader_config.hpp"
#include "firmware/firmware_image.hpp"
#include "firmware/upgrade.hpp"
#include "fuzz/fuzz_input.hpp"
#include "link/le16.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"
#include "tests/firmware/upgrade_recorder.hpp"

namespace zrt::fuzz {
namespace {

constexpr std::uint16_t MODEL = 1175;

// The bytes of `image` from `offset`, `length` of them.
std::vector<std::uint8_t> Slice(const std::uint8_t* image, std::size_t offset, std::size_t length) {
    return std::vector<std::uint8_t>(image + offset, image + offset + length);
}

}  // namespace
}  // namespace zrt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zrt;
    fuzz::FuzzInput input(data, size);
    const std::uint8_t flags = input.Byte();
    const std::uint16_t firmwareVersion = input.Byte();
    const std::uint16_t serial = input.Word();
    const std::uint16_t anyLength = input.Word();

    // The image in a heap block of exactly its size, so that a read past its end is caught.
    const std::size_t imageSize = input.Remaining();
    const auto image = std::make_unique<std::uint8_t[]>(imageSize);
    std::memcpy(image.get(), input.Rest(), imageSize);
    const firmware::FirmwareImage view(firmware::Bytes(image.get(), imageSize));
    const std::size_t blockCount = imageSize >= 6 ? link::GetLe16(&image[4]) : 0;
    const std::size_t implied = firmware::ImageLength(blockCount);
    const std::size_t totalLength = (flags & 3) == 0   ? imageSize
                                    : (flags & 3) == 1 ? implied
                                                       : anyLength;
    const firmware::FirmwareCatalogueRow row{fuzz::MODEL, totalLength, "Zr-T51", view};
    const firmware::FirmwareCatalogueRow catalogue[] = {row};

    const std::uint16_t imageVersion = imageSize >= 4 ? link::GetLe16(&image[2]) : 0;
    const bool consistent = imageSize >= 8 && link::GetLe16(&image[6]) == 0 &&
                            totalLength == implied && imageSize == implied;
    const bool offered = imageVersion > firmwareVersion &&
                         (firmware::TestImagesAllowed() || !firmware::IsTestImage(view));
    const bool yes = (flags & 0x80) == 0;

    sim::VirtualReader device({fuzz::MODEL, serial, firmwareVersion}, config::ReaderConfig{});
    sim::VirtualPlatform platform;
    const auto id = platform.AddReader(device);
    link::ZrHID reader(platform, link::PRODUCT_ID_51);
    reader.handle = platform.Open(platform.PathOf(id));
    reader.info = device.info;
    firmware::testing::UpgradeRecorder listener;
    listener.answer = yes;
    firmware::OfferUpgrade(reader, listener, catalogue);
    platform.Close(reader.handle);

    FUZZ_REQUIRE(firmware::IsConsistent(row) == consistent);
    const std::vector<firmware::testing::UpgradeEvent>& events = listener.events;
    FUZZ_REQUIRE(events.empty() != offered);
    FUZZ_REQUIRE(events.empty() ||
                 (events[0].what == "asked" &&
                  events[0].text == "Zr-T51|" + std::string(firmware::UPGRADE_QUESTION)));
    const std::vector<sim::Request>& log = device.Log();
    if (!offered || !yes || !consistent) {
        FUZZ_REQUIRE(log.empty());
        // Not offered: no event; No: the question only; a damaged image: its failure after it.
        FUZZ_REQUIRE(events.size() == (!offered ? 0u : !yes ? 1u : 2u));
        FUZZ_REQUIRE(events.size() < 2 || (events[1].what == "failed" && events[1].value == -1));
        return 0;
    }

    FUZZ_REQUIRE(events.back().what == "finished");
    FUZZ_REQUIRE(log.size() == blockCount + 3);
    FUZZ_REQUIRE(log[0].command == link::CMD_UPGRADE_BEGIN &&
                 log[0].data == fuzz::Slice(image.get(), 0, firmware::HEADER_SIZE));
    for (std::size_t i = 0; i < blockCount; ++i) {
        const sim::Request& block = log[1 + i];
        FUZZ_REQUIRE(block.command == link::CMD_UPGRADE_BLOCK && block.data.size() == 522);
        FUZZ_REQUIRE(link::GetLe16(block.data.data()) == i);
        FUZZ_REQUIRE(std::memcmp(&block.data[2],
                                 &image[firmware::HEADER_SIZE + firmware::BLOCK_SIZE * i],
                                 firmware::BLOCK_SIZE) == 0);
    }
    const std::size_t codeOffset = firmware::HEADER_SIZE + firmware::BLOCK_SIZE * blockCount +
                                   firmware::UpgradeCodeOffset(serial);
    FUZZ_REQUIRE(log[blockCount + 1].command == link::CMD_UPGRADE_CODE &&
                 log[blockCount + 1].data ==
                     fuzz::Slice(image.get(), codeOffset, firmware::CODE_SIZE));
    FUZZ_REQUIRE(log[blockCount + 2].command == link::CMD_UPGRADE_END &&
                 log[blockCount + 2].data.empty());
    FUZZ_REQUIRE(device.UploadState().finished && device.info.firmware == imageVersion);
    return 0;
}
