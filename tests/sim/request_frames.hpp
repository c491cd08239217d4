// Frames built by hand for the tests: report ID, frame length, command, data, CRC-16 and zero fill,
// in a report of a chosen size. Requests and replies alike (a reply's command has bit 7 set).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/crc.hpp"
#include "link/le16.hpp"

namespace zrt::sim::test {

// A frame in a report of `size` bytes, its CRC-16 right.
inline std::vector<std::uint8_t> Frame(std::uint8_t reportId, std::size_t size,
                                       std::uint8_t command,
                                       const std::vector<std::uint8_t>& data = {}) {
    std::vector<std::uint8_t> report(size, 0);
    const std::size_t length = data.size() + 5;
    report[0] = reportId;
    link::PutLe16(&report[1], static_cast<std::uint32_t>(length));
    report[3] = command;
    std::copy(data.begin(), data.end(), report.begin() + 4);
    link::PutLe16(&report[length - 1], link::Crc16(&report[1], length - 2, 0xFFFF));
    return report;
}

}  // namespace zrt::sim::test
