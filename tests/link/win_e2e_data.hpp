// What the end-to-end test's Windows program sends, known to both halves of the test: the record
// of its "C", and the header and first block of its one-block upload.
#pragma once

#include <array>
#include <cstdint>

#include "link/zrhid.hpp"

namespace zrt::e2e {

inline constexpr std::array<std::uint8_t, link::CONFIG_RECORD_SIZE> RECORD = {
    0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

// Version 0x0105, one block, word 6 zero: a header the virtual reader accepts.
inline std::array<std::uint8_t, link::UPGRADE_HEADER_SIZE> Header() {
    return {0x00, 0x00, 0x05, 0x01, 0x01, 0x00, 0x00, 0x00,
            0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
}

inline std::array<std::uint8_t, link::UPGRADE_BLOCK_SIZE> Block() {
    std::array<std::uint8_t, link::UPGRADE_BLOCK_SIZE> block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return block;
}

}  // namespace zrt::e2e
