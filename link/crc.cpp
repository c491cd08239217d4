// The two checksums of the reader protocol, computed without lookup tables: CRC-16/MODBUS with the
// byte-wise parity formula, CRC-32/MPEG-2 bit by bit.
#include "link/crc.hpp"

#include <bit>

namespace zrt::link {

std::uint16_t Crc16(const std::uint8_t* data, std::size_t length, std::uint16_t initial) {
    std::uint32_t crc = initial;
    for (std::size_t i = 0; i < length; ++i) {
        // b: the byte folded into the register's low byte; p: its parity. The reflected polynomial
        // 0xA001 applied eight times collapses to two shifted copies of b and 0xC001 on odd parity.
        const std::uint32_t b = (data[i] ^ crc) & 0xFFu;
        const std::uint32_t p = static_cast<std::uint32_t>(std::popcount(b)) & 1u;
        crc = (crc >> 8) ^ (b << 7) ^ (b << 6) ^ (0xC001u & (0u - p));
    }
    return static_cast<std::uint16_t>(crc);
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length, std::uint32_t initial) {
    std::uint32_t crc = initial;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= static_cast<std::uint32_t>(data[i]) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

}  // namespace zrt::link
