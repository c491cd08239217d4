// Little-endian 16-bit words in byte buffers: the byte order of every multi-byte field that goes
// to or comes from a reader.
#pragma once

#include <cstdint>

namespace zrt::link {

inline std::uint16_t GetLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void PutLe16(std::uint8_t* p, std::uint32_t value) {  // the low 16 bits of value
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace zrt::link
