// What every fuzz target shares: a reader of the fuzzer's bytes that never runs past their end
// (an exhausted input reads as zeros), the check that aborts on a violated property, and a
// bit-by-bit CRC-16/MODBUS to judge frames independently of link/crc.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace zrt::fuzz {

[[noreturn]] inline void Violation(const char* property, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: violated: %s\n", file, line, property);
    std::abort();
}

// Aborts (which the fuzzer reports as a crash, with the input) when `condition` is false.
#define FUZZ_REQUIRE(condition) \
    ((condition) ? void() : ::zrt::fuzz::Violation(#condition, __FILE__, __LINE__))

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return offset_ >= size_; }
    std::size_t Remaining() const { return Empty() ? 0 : size_ - offset_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[offset_++]; }
    std::uint16_t Word() {
        const std::uint8_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    std::int32_t Int() {
        const std::uint32_t low = Word();
        return static_cast<std::int32_t>(low | (std::uint32_t{Word()} << 16));
    }
    // Fills `out` with the next `count` bytes, zeros once the input is used up.
    void Bytes(std::uint8_t* out, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = Byte();
        }
    }
    // The unread rest.
    const std::uint8_t* Rest() const { return data_ + (Empty() ? size_ : offset_); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// CRC-16/MODBUS, one bit at a time (reflected 0x8005, initial 0xFFFF, no final XOR).
inline std::uint16_t ReferenceCrc16(const std::uint8_t* data, std::size_t length) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

}  // namespace zrt::fuzz
