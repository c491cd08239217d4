// Firmware images for tests: images laid out like delivered ones, whose every block and code slot
// names itself, and a catalogue of such images with the built-in models, lengths and titles. For
// the tests of the image access and of anything that sends an image to a reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "firmware/firmware_image.hpp"

namespace zrt::firmware::testing {

inline constexpr std::uint16_t TEST_FIRST_WORD = 0xF17E;

// An image of `blockCount` blocks: header (TEST_FIRST_WORD, version, block count, zero word,
// tail "TESTIMG!"), blocks of BlockByte(), code table of CodeBytesAt(). Its length is
// ImageLength(blockCount) plus `extraBytes` (negative: shorter).
std::vector<std::uint8_t> MakeImageBytes(std::uint16_t version, std::uint16_t blockCount,
                                         std::uint16_t zeroWord = 0, std::ptrdiff_t extraBytes = 0);

// Byte j of block i: the block index (16-bit little-endian) in bytes 0 and 1, then a filler.
std::uint8_t BlockByte(std::size_t block, std::size_t j);
// The 8 bytes of the code table slot at table offset t (a multiple of 8): 0xC0, t low, t high,
// 0xDE, twice. Every slot, the never-selected ones included, differs from every other.
std::array<std::uint8_t, CODE_SIZE> CodeBytesAt(std::size_t tableOffset);

// A catalogue with the built-in rows' models, lengths and titles over test images of one version.
// It owns its images; rows and images may be changed in place (not resized) to break an image.
class TestCatalogue {
  public:
    explicit TestCatalogue(std::uint16_t version);
    TestCatalogue(const TestCatalogue&) = delete;
    TestCatalogue& operator=(const TestCatalogue&) = delete;

    FirmwareCatalogue View() const { return rows_; }
    FirmwareCatalogueRow& Row(std::uint16_t model);
    std::vector<std::uint8_t>& Image(std::uint16_t model);

  private:
    std::vector<std::vector<std::uint8_t>> images_;
    std::vector<FirmwareCatalogueRow> rows_;
};

}  // namespace zrt::firmware::testing
