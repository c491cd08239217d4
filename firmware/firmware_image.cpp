// Firmware image access, the consistency test, the test-image mark and the catalogue search.
#include "firmware/firmware_image.hpp"

#include <algorithm>

#include "link/le16.hpp"

namespace zrt::firmware {

Bytes FirmwareImage::Slice(std::size_t offset, std::size_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
        return {};
    }
    return bytes_.subspan(offset, length);
}

std::uint16_t FirmwareImage::WordAt(std::size_t offset) const {
    const Bytes word = Slice(offset, 2);
    return word.empty() ? 0 : link::GetLe16(word.data());
}

Bytes FirmwareImage::Header() const {
    return Slice(0, HEADER_SIZE);
}

Bytes FirmwareImage::Block(std::size_t index) const {
    if (index >= BlockCount()) {
        return {};
    }
    return Slice(HEADER_SIZE + BLOCK_SIZE * index, BLOCK_SIZE);
}

Bytes FirmwareImage::UpgradeCode(std::uint16_t serial) const {
    const std::size_t table = HEADER_SIZE + BLOCK_SIZE * BlockCount();
    return Slice(table + UpgradeCodeOffset(serial), CODE_SIZE);
}

bool IsConsistent(const FirmwareCatalogueRow& row) {
    const FirmwareImage& image = row.image;
    // An array of a consistent length holds at least the header and the code table.
    return image.ZeroWord() == 0 && ImageLength(image.BlockCount()) == row.totalLength &&
           image.AllBytes().size() == row.totalLength;
}

const FirmwareCatalogueRow* FindFirmwareImage(std::uint16_t modelWord,
                                              FirmwareCatalogue catalogue) {
    const auto row = std::ranges::find(catalogue, modelWord, &FirmwareCatalogueRow::model);
    return row == catalogue.end() ? nullptr : &*row;
}

bool IsTestImage(const FirmwareImage& image) {
    const Bytes header = image.Header();
    return header.size() == HEADER_SIZE &&
           std::equal(TEST_IMAGE_MARK.begin(), TEST_IMAGE_MARK.end(),
                      header.begin() + TEST_IMAGE_MARK_OFFSET);
}

}  // namespace zrt::firmware
