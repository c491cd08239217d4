// Tests of the demo's request lines: command names, the configuration record with its CRC-32
// check, block indices, and the frame's CRC-16 check, also on refused requests.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "link/crc.hpp"
#include "link/zrhid.hpp"
#include "sim/request_text.hpp"
#include "tests/sim/request_frames.hpp"

namespace zrt::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A request as the reader logs it, framed correctly in the short or long report.
Request Framed(std::uint8_t command, const Bytes& data) {
    const bool longFrame = data.size() + 5 > 62;
    Request request;
    request.report =
        longFrame ? test::Frame(link::REPORT_ID_LONG, link::LONG_REPORT_SIZE, command, data)
                  : test::Frame(link::REPORT_ID_SHORT, link::SHORT_REPORT_SIZE, command, data);
    request.command = command;
    request.data = data;
    request.valid = true;
    return request;
}

Bytes WithCrc32(Bytes record, bool correct) {
    std::uint32_t crc = link::Crc32(record.data(), record.size(), 0xFFFFFFFF);
    if (!correct) {
        crc ^= 1;
    }
    for (int shift = 0; shift < 32; shift += 8) {
        record.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    return record;
}

TEST(DescribeRequest, NamesTheCommandAndShowsWhatItCarries) {
    const Bytes record = {0xE1, 0x80, 0x04, 0x00, 0x04, 0x02, 0x01, 0x00,
                          0x00, 0x00, 0x00, 0x00, 0x2B, 0x00, 0x00, 0x00};
    Bytes block(522, 0x55);
    block[0] = 0x02;
    block[1] = 0x01;
    const std::uint32_t sentWrong = link::Crc32(record.data(), 16, 0xFFFFFFFF) ^ 1;
    char wrong[96];
    std::snprintf(wrong, sizeof(wrong), "CRC-32 WRONG (%08X sent, %08X computed)",
                  static_cast<unsigned>(sentWrong), static_cast<unsigned>(sentWrong ^ 1));

    const std::vector<std::pair<Request, std::string>> cases = {
        {Framed('M', {}), "\"M\" read identity; frame CRC-16 ok"},
        {Framed('c', {}), "\"c\" read configuration; frame CRC-16 ok"},
        {Framed('C', WithCrc32(record, true)),
         "\"C\" write configuration: record E1 80 04 00 04 02 01 00 00 00 00 00 2B 00 00 00, "
         "CRC-32 ok; frame CRC-16 ok"},
        {Framed('C', WithCrc32(record, false)),
         "\"C\" write configuration: record E1 80 04 00 04 02 01 00 00 00 00 00 2B 00 00 00, " +
             std::string(wrong) + "; frame CRC-16 ok"},
        {Framed('Y', block), "\"Y\" upgrade block 258, 520 bytes; frame CRC-16 ok"},
        {Framed('y', {1, 2, 3, 4, 5, 6, 7, 8}),
         "\"y\" upgrade code: 01 02 03 04 05 06 07 08; frame CRC-16 ok"},
        {Framed('z', {}), "\"z\" upgrade end; frame CRC-16 ok"},
        {Framed('Q', {0xAB}), "command 0x51 (unknown): AB; frame CRC-16 ok"},
    };
    for (const auto& [request, text] : cases) {
        EXPECT_EQ(DescribeRequest(request), text);
    }
}

TEST(DescribeRequest, RefusedRequestsShowTheirFirstBytesAndWhyTheFrameFails) {
    Request flipped = Framed('M', {});
    flipped.report[4] ^= 0x01;
    flipped.valid = false;
    EXPECT_EQ(DescribeRequest(flipped),
              "\"M\" read identity: report 41 05 00 4D A0 F4 00 00 ...; frame CRC-16 WRONG; "
              "refused by the reader");

    Request tooLong = Framed('c', {});
    tooLong.report[1] = 63;
    tooLong.valid = false;
    EXPECT_EQ(DescribeRequest(tooLong),
              "\"c\" read configuration: report 41 3F 00 63 21 E8 00 00 ...; frame length 63 does "
              "not fit a report of 63 bytes; refused by the reader");

    Request stub;
    stub.report = {0x41, 0x05};
    EXPECT_EQ(DescribeRequest(stub),
              "command 0x00 (unknown): report 41 05; a report of 2 bytes; refused by the reader");
}

}  // namespace
}  // namespace zrt::sim
