// Firmware images for tests: construction of self-describing images and of a test catalogue.
#include "firmware_test_images.hpp"

#include <algorithm>
#include <stdexcept>

#include "link/le16.hpp"

namespace zrt::firmware::testing {

namespace {

std::size_t IndexOf(const std::vector<FirmwareCatalogueRow>& rows, std::uint16_t model) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].model == model) {
            return i;
        }
    }
    throw std::out_of_range("no test image for this model");
}

}  // namespace

std::uint8_t BlockByte(std::size_t block, std::size_t j) {
    if (j < 2) {
        return static_cast<std::uint8_t>(block >> (8 * j));
    }
    return static_cast<std::uint8_t>(block * 31 + j);
}

std::array<std::uint8_t, CODE_SIZE> CodeBytesAt(std::size_t t) {
    const auto lo = static_cast<std::uint8_t>(t & 0xFF);
    const auto hi = static_cast<std::uint8_t>(t >> 8);
    return {0xC0, lo, hi, 0xDE, 0xC0, lo, hi, 0xDE};
}

std::vector<std::uint8_t> MakeImageBytes(std::uint16_t version, std::uint16_t blockCount,
                                         std::uint16_t zeroWord, std::ptrdiff_t extraBytes) {
    const std::size_t length = ImageLength(blockCount);
    std::vector<std::uint8_t> bytes(length);
    link::PutLe16(&bytes[0], TEST_FIRST_WORD);
    link::PutLe16(&bytes[VERSION_OFFSET], version);
    link::PutLe16(&bytes[BLOCK_COUNT_OFFSET], blockCount);
    link::PutLe16(&bytes[ZERO_WORD_OFFSET], zeroWord);
    const char tail[] = "TESTIMG!";
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[8 + i] = static_cast<std::uint8_t>(tail[i]);
    }
    for (std::size_t block = 0; block < blockCount; ++block) {
        for (std::size_t j = 0; j < BLOCK_SIZE; ++j) {
            bytes[HEADER_SIZE + BLOCK_SIZE * block + j] = BlockByte(block, j);
        }
    }
    const std::size_t table = HEADER_SIZE + BLOCK_SIZE * blockCount;
    for (std::size_t t = 0; t < CODE_TABLE_SIZE; t += CODE_SIZE) {
        const auto code = CodeBytesAt(t);
        std::copy(code.begin(), code.end(), bytes.begin() + static_cast<std::ptrdiff_t>(table + t));
    }
    bytes.resize(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(length) + extraBytes), 0xEE);
    return bytes;
}

TestCatalogue::TestCatalogue(std::uint16_t version) {
    const FirmwareCatalogue builtIn = BuiltInCatalogue();
    images_.reserve(builtIn.size());
    for (const FirmwareCatalogueRow& row : builtIn) {
        const auto blocks =
            static_cast<std::uint16_t>((row.totalLength - ImageLength(0)) / BLOCK_SIZE);
        images_.push_back(MakeImageBytes(version, blocks));
        rows_.push_back({row.model, row.totalLength, row.title, FirmwareImage(images_.back())});
    }
}

FirmwareCatalogueRow& TestCatalogue::Row(std::uint16_t model) {
    return rows_[IndexOf(rows_, model)];
}

std::vector<std::uint8_t>& TestCatalogue::Image(std::uint16_t model) {
    return images_[IndexOf(rows_, model)];
}

}  // namespace zrt::firmware::testing
