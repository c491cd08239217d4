// Tests of the two checksums: the standard check values, and the parity-formula CRC-16 against a
// plain bit-by-bit CRC-16/MODBUS on random data.
#include "link/crc.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace zrt::link {
namespace {

const auto* CHECK_INPUT = reinterpret_cast<const std::uint8_t*>("123456789");

TEST(Crc, CheckValues) {
    EXPECT_EQ(Crc16(CHECK_INPUT, 9, 0xFFFF), 0x4B37);
    EXPECT_EQ(Crc32(CHECK_INPUT, 9, 0xFFFFFFFFu), 0x0376E6E7u);
    EXPECT_EQ(Crc16(CHECK_INPUT, 0, 0x1234), 0x1234);  // no bytes: the initial value
    EXPECT_EQ(Crc32(CHECK_INPUT, 0, 0x12345678u), 0x12345678u);
    // Sixteen zero bytes, the configuration record of WriteConfig's edge case.
    const std::uint8_t zeros[16] = {};
    EXPECT_EQ(Crc32(zeros, 16, 0xFFFFFFFFu), 0x552D22C8u);
}

std::uint16_t BitwiseCrc16(const std::vector<std::uint8_t>& data, std::uint16_t crc) {
    for (const std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

TEST(Crc, ParityFormulaMatchesBitwiseCrc16) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> data(random() % 600);
        for (auto& byte : data) {
            byte = static_cast<std::uint8_t>(random());
        }
        const auto initial = static_cast<std::uint16_t>(round == 0 ? 0xFFFF : random());
        ASSERT_EQ(Crc16(data.data(), data.size(), initial), BitwiseCrc16(data, initial))
            << "round " << round;
    }
}

}  // namespace
}  // namespace zrt::link
