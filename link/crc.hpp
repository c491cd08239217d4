// The two checksums of the reader protocol, both computed without lookup tables:
// CRC-16/MODBUS over every frame, CRC-32/MPEG-2 over a written configuration record.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrt::link {

// CRC-16/MODBUS (reflected 0x8005), byte-wise parity formula, no final XOR. Callers pass 0xFFFF.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t length, std::uint16_t initial);
// CRC-32/MPEG-2 (0x04C11DB7, MSB first, no reflection, no final XOR). Callers pass 0xFFFFFFFF.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t length, std::uint32_t initial);

}  // namespace zrt::link
