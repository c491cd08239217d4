// Tests of the firmware images: upgrade-code choice, catalogue search, consistency test, safe
// access to blocks and codes, and the images embedded in this build.
#include "firmware/firmware_image.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "firmware_test_images.hpp"

namespace zrt::firmware {
namespace {

using testing::CodeBytesAt;
using testing::MakeImageBytes;

std::vector<std::uint8_t> ToVector(Bytes bytes) {
    return {bytes.begin(), bytes.end()};
}
std::vector<std::uint8_t> ToVector(const std::array<std::uint8_t, CODE_SIZE>& code) {
    return {code.begin(), code.end()};
}

struct SerialCase {
    std::uint16_t serial;
    std::size_t tableOffset;
};

class UpgradeCodeChoice : public ::testing::TestWithParam<SerialCase> {};

TEST_P(UpgradeCodeChoice, LowByteSelectsTheTableOffset) {
    const auto [serial, offset] = GetParam();
    EXPECT_EQ(UpgradeCodeOffset(serial), offset);
    const std::vector<std::uint8_t> bytes = MakeImageBytes(1, 18);
    const Bytes code = FirmwareImage(bytes).UpgradeCode(serial);
    EXPECT_EQ(ToVector(code), ToVector(CodeBytesAt(offset)));
    EXPECT_EQ(code.data(), bytes.data() + 16 + 520 * 18 + offset);
}

INSTANTIATE_TEST_SUITE_P(Serials, UpgradeCodeChoice,
                         ::testing::Values(SerialCase{0, 0}, SerialCase{63, 504},
                                           SerialCase{64, 520}, SerialCase{127, 1024},
                                           SerialCase{128, 1040}, SerialCase{192, 1560},
                                           SerialCase{255, 2064}, SerialCase{0x0140, 520},
                                           SerialCase{0x7F40, 520}, SerialCase{0xFF00, 0},
                                           SerialCase{0xFFFF, 2064}));

TEST(UpgradeCodeChoiceOverAllSerials, SelectsExactlyTheCodeSlotsNeverTheGroupTails) {
    std::set<std::size_t> selected;
    for (int serial = 0; serial <= 0xFFFF; ++serial) {
        const std::size_t offset = UpgradeCodeOffset(static_cast<std::uint16_t>(serial));
        ASSERT_EQ(offset, UpgradeCodeOffset(static_cast<std::uint16_t>(serial & 0xFF)));
        selected.insert(offset);
    }
    std::set<std::size_t> expected;
    for (std::size_t g = 0; g < 4; ++g) {
        for (std::size_t k = 0; k < 64; ++k) {
            expected.insert(520 * g + 8 * k);
        }
    }
    EXPECT_EQ(selected, expected);
    for (std::size_t tail : {512u, 1032u, 1552u, 2072u}) {
        EXPECT_EQ(selected.count(tail), 0u) << "table bytes " << tail << " to " << tail + 7;
    }
}

TEST(FirmwareImage, HeaderFieldsAreLittleEndianWords) {
    std::vector<std::uint8_t> bytes = MakeImageBytes(0x1234, 18, 0xABCD);
    const FirmwareImage image(bytes);
    EXPECT_EQ(image.Version(), 0x1234);
    EXPECT_EQ(image.BlockCount(), 18);
    EXPECT_EQ(image.ZeroWord(), 0xABCD);
    EXPECT_EQ(image.Header().data(), bytes.data());
    EXPECT_EQ(image.Header().size(), 16u);
}

TEST(FirmwareImage, BlocksAreTheirStoredBytes) {
    const std::vector<std::uint8_t> bytes = MakeImageBytes(1, 19);
    const FirmwareImage image(bytes);
    for (std::size_t i = 0; i < 19; ++i) {
        const Bytes block = image.Block(i);
        ASSERT_EQ(block.size(), 520u);
        EXPECT_EQ(block.data(), bytes.data() + 16 + 520 * i);
        EXPECT_EQ(block[0], i);
        EXPECT_EQ(block[519], testing::BlockByte(i, 519));
    }
    EXPECT_TRUE(image.Block(19).empty());
}

TEST(FirmwareImage, AccessStaysInsideAShortOrLyingArray) {
    // The header claims 0xFFFF blocks: no block past the array, and no code table at all.
    std::vector<std::uint8_t> lying = MakeImageBytes(1, 2);
    lying[4] = lying[5] = 0xFF;
    const FirmwareImage image(lying);
    EXPECT_EQ(image.Block(1).size(), 520u);
    const std::size_t wholeBlocks = (lying.size() - 16) / 520;
    EXPECT_EQ(image.Block(wholeBlocks - 1).size(), 520u);
    EXPECT_TRUE(image.Block(wholeBlocks).empty());
    EXPECT_TRUE(image.Block(0xFFFE).empty());
    EXPECT_TRUE(image.UpgradeCode(0).empty());

    // An array cut inside the code table gives the codes before the cut, nothing after.
    const std::vector<std::uint8_t> cut = MakeImageBytes(1, 18, 0, -16);
    EXPECT_EQ(FirmwareImage(cut).UpgradeCode(254).size(), 8u);  // table offset 2056
    EXPECT_TRUE(FirmwareImage(cut).UpgradeCode(255).empty());   // table offset 2064

    // Too short for a header: fields read as 0, nothing else is there.
    const std::vector<std::uint8_t> tiny = {0x01, 0x02, 0x03};
    const FirmwareImage small(tiny);
    EXPECT_TRUE(small.Header().empty());
    EXPECT_EQ(small.Version(), 0);
    EXPECT_EQ(small.BlockCount(), 0);
    EXPECT_TRUE(small.Block(0).empty());
    EXPECT_TRUE(small.UpgradeCode(0).empty());
    EXPECT_TRUE(FirmwareImage().Header().empty());
}

TEST(Catalogue, EachModelFindsItsRowAndNoOtherModelDoes) {
    struct Expected {
        std::uint16_t model;
        std::size_t length;
        std::size_t blocks;
        std::string title;
    };
    for (const Expected& e :
         {Expected{141, 11456, 18, "Upgrade ZR-T41"}, Expected{151, 11976, 19, "Upgrade ZR-T51"},
          Expected{1175, 12496, 20, "Upgrade ZR-T51"}}) {
        const FirmwareCatalogueRow* row = FindFirmwareImage(e.model);
        ASSERT_NE(row, nullptr) << e.model;
        EXPECT_EQ(row->model, e.model);
        EXPECT_EQ(row->totalLength, e.length);
        EXPECT_EQ(ImageLength(e.blocks), e.length);
        EXPECT_EQ(row->title, e.title);
    }
    for (std::uint16_t model : {0, 1, 140, 142, 150, 152, 1174, 1176, 0xFFFF}) {
        EXPECT_EQ(FindFirmwareImage(model), nullptr) << model;
    }
}

TEST(Catalogue, SearchesTheCatalogueItIsGiven) {
    const testing::TestCatalogue catalogue(7);
    const FirmwareCatalogueRow* row = FindFirmwareImage(1175, catalogue.View());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row, &catalogue.View()[2]);
    EXPECT_EQ(row->image.Version(), 7);
    EXPECT_EQ(row->title, "Upgrade ZR-T51");
    EXPECT_TRUE(IsConsistent(*row));
    EXPECT_EQ(FindFirmwareImage(142, catalogue.View()), nullptr);
    EXPECT_EQ(FindFirmwareImage(141, FirmwareCatalogue{}), nullptr);
}

TEST(Consistency, PassesOnlyWithZeroWordAndMatchingLengths) {
    struct Case {
        const char* what;
        std::uint16_t blocks;
        std::uint16_t zeroWord;
        std::ptrdiff_t extraBytes;  // stored array against the image's own layout
        std::ptrdiff_t rowLength;   // catalogue length against ImageLength(18)
        bool passes;
    };
    const Case cases[] = {
        {"consistent", 18, 0, 0, 0, true},
        {"zero word 1", 18, 1, 0, 0, false},
        {"zero word 0x8000", 18, 0x8000, 0, 0, false},
        {"one block more", 19, 0, -520, 0, false},
        {"one block less", 17, 0, 520, 0, false},
        {"catalogue one byte longer", 18, 0, 0, 1, false},
        {"catalogue one byte shorter", 18, 0, 0, -1, false},
        // The header and the row agree, but the stored array does not: nothing may be read.
        {"array one byte short", 18, 0, -1, 0, false},
        {"array one byte long", 18, 0, 1, 0, false},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes =
            MakeImageBytes(1, c.blocks, c.zeroWord, c.extraBytes);
        const FirmwareCatalogueRow row{141, static_cast<std::size_t>(11456 + c.rowLength),
                                       "Upgrade ZR-T41", FirmwareImage(bytes)};
        EXPECT_EQ(IsConsistent(row), c.passes) << c.what;
    }
    const std::vector<std::uint8_t> tiny(4, 0);
    EXPECT_FALSE(IsConsistent({141, 4, "", FirmwareImage(tiny)}));
    EXPECT_FALSE(IsConsistent({141, 0, "", FirmwareImage()}));
}

TEST(EmbeddedImages, AreConsistentAndTheirArraysHaveTheCatalogueLengths) {
    ASSERT_EQ(BuiltInCatalogue().size(), 3u);
    for (const FirmwareCatalogueRow& row : BuiltInCatalogue()) {
        EXPECT_EQ(row.image.AllBytes().size(), row.totalLength) << row.model;
        EXPECT_TRUE(IsConsistent(row)) << row.model;
        const Bytes last = row.image.Block(row.image.BlockCount() - 1u);
        EXPECT_EQ(last.data() + last.size() + CODE_TABLE_SIZE,
                  row.image.AllBytes().data() + row.totalLength);
    }
}

TEST(EmbeddedImages, PlaceholdersAreVersionZero) {
#if ZRT_FIRMWARE_PLACEHOLDERS
    for (const FirmwareCatalogueRow& row : BuiltInCatalogue()) {
        const Bytes header = row.image.Header();
        ASSERT_EQ(header.size(), 16u);
        EXPECT_EQ(header[0] | (header[1] << 8), row.model);
        EXPECT_EQ(row.image.Version(), 0) << row.model;
        EXPECT_EQ(std::string(header.begin() + 8, header.end()), "PLACEHLD");
    }
#else
    GTEST_SKIP() << "built with delivered images";
#endif
}

}  // namespace
}  // namespace zrt::firmware
