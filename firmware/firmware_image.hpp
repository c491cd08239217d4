// Firmware images carried by the tool: a read-only view over one image's bytes (header, payload
// blocks, upgrade-code table), the catalogue that ties a reader's model word to its image, the
// consistency test an image must pass before any of it is sent, and the choice of a reader's
// upgrade code. Plain C++, no toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/zrhid.hpp"

namespace zrt::firmware {

using Bytes = std::span<const std::uint8_t>;

inline constexpr std::size_t HEADER_SIZE = link::UPGRADE_HEADER_SIZE;  // 16
inline constexpr std::size_t BLOCK_SIZE = link::UPGRADE_BLOCK_SIZE;    // 520
inline constexpr std::size_t CODE_SIZE = link::UPGRADE_CODE_SIZE;      // 8
inline constexpr std::size_t CODE_GROUP_COUNT = 4;
inline constexpr std::size_t CODES_PER_GROUP = 64;  // in group bytes 0..511; bytes 512..519 unused
inline constexpr std::size_t CODE_TABLE_SIZE = CODE_GROUP_COUNT * BLOCK_SIZE;  // 2080

inline constexpr std::size_t VERSION_OFFSET = 2;
inline constexpr std::size_t BLOCK_COUNT_OFFSET = 4;
inline constexpr std::size_t ZERO_WORD_OFFSET = 6;

// Length of a consistent image of N blocks: header, payload and code table, nothing else.
constexpr std::size_t ImageLength(std::size_t blockCount) {
    return HEADER_SIZE + BLOCK_SIZE * blockCount + CODE_TABLE_SIZE;
}

// Offset within the code table of the code for a serial number: only the low byte d counts;
// group d / 64, code d % 64 within the group.
constexpr std::size_t UpgradeCodeOffset(std::uint16_t serial) {
    const std::size_t d = serial & 0xFFu;
    return BLOCK_SIZE * (d / CODES_PER_GROUP) + CODE_SIZE * (d % CODES_PER_GROUP);
}

// A read-only view over an image's stored bytes; it owns nothing. Every accessor stays inside the
// stored array whatever the header says: a field the array is too short to hold reads as 0, and a
// block or code that does not lie wholly inside the array (or a block index not below the header's
// block count) comes back as an empty span. On an image that passed IsConsistent, every block
// 0..N-1 and every code is there in full.
class FirmwareImage {
  public:
    constexpr FirmwareImage() = default;
    constexpr explicit FirmwareImage(Bytes bytes) : bytes_(bytes) {}

    Bytes AllBytes() const { return bytes_; }
    Bytes Header() const;  // HEADER_SIZE bytes, sent unchanged to begin an upgrade
    std::uint16_t Version() const { return WordAt(VERSION_OFFSET); }
    std::uint16_t BlockCount() const { return WordAt(BLOCK_COUNT_OFFSET); }
    std::uint16_t ZeroWord() const { return WordAt(ZERO_WORD_OFFSET); }
    Bytes Block(std::size_t index) const;           // BLOCK_SIZE bytes
    Bytes UpgradeCode(std::uint16_t serial) const;  // CODE_SIZE bytes

  private:
    std::uint16_t WordAt(std::size_t offset) const;
    Bytes Slice(std::size_t offset, std::size_t length) const;

    Bytes bytes_;
};

// One catalogue row. The total length is a constant of the row, apart from the image's header.
struct FirmwareCatalogueRow {
    std::uint16_t model = 0;
    std::size_t totalLength = 0;
    std::string_view title;  // caption of the upgrade question
    FirmwareImage image;
};

using FirmwareCatalogue = std::span<const FirmwareCatalogueRow>;

// Passes when the zero word is 0 and 520 * N + 2096 equals the row's total length. It also asks
// that the stored array be exactly that long, so a row whose length constant and bytes disagree
// never has a block or code read from it.
bool IsConsistent(const FirmwareCatalogueRow& row);

// Test images (firmware/images/make-placeholders.py) carry this in header bytes 8..15. They hold
// no firmware: uploading one destroys a real reader's firmware.
inline constexpr std::string_view TEST_IMAGE_MARK = "PLACEHLD";
inline constexpr std::size_t TEST_IMAGE_MARK_OFFSET = 8;
bool IsTestImage(const FirmwareImage& image);
// Whether this build uploads test images (OfferFor, firmware/upgrade.hpp): only one built with
// -DZRT_TEST_IMAGES=ON, to try the upgrade against virtual readers.
bool TestImagesAllowed();
// What a build that uploads test images shows after its version and its window title
// (" (test images)"); empty in every other build.
std::string_view TestImagesNote();

// The three images built into the tool: models 141, 151 and 1175.
FirmwareCatalogue BuiltInCatalogue();

// The row whose model word equals modelWord, or nullptr. Without a catalogue argument, the built-in
// one is searched; tests pass catalogues of their own images.
const FirmwareCatalogueRow* FindFirmwareImage(std::uint16_t modelWord,
                                              FirmwareCatalogue catalogue = BuiltInCatalogue());

}  // namespace zrt::firmware
