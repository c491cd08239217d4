// Tests of the virtual reader on its own, with request frames built by hand: its checks of every
// request, its replies, the upload sequence and the faults it shows on demand.
#include "sim/virtual_reader.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/crc.hpp"
#include "sim/virtual_platform.hpp"
#include "tests/sim/request_frames.hpp"

namespace zrt::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using link::Crc16;

using test::Frame;

Bytes Short(std::uint8_t command, const Bytes& data = {}) {
    return Frame(0x41, 63, command, data);
}

Bytes Block(std::uint16_t index, std::uint8_t fill) {
    Bytes data(522, fill);
    data[0] = static_cast<std::uint8_t>(index);
    data[1] = static_cast<std::uint8_t>(index >> 8);
    return Frame(0x49, 575, 'Y', data);
}

Bytes Header(std::uint16_t version, std::uint16_t blocks, std::uint16_t zeroWord = 0) {
    return {0xAA,
            0xBB,
            static_cast<std::uint8_t>(version),
            static_cast<std::uint8_t>(version >> 8),
            static_cast<std::uint8_t>(blocks),
            static_cast<std::uint8_t>(blocks >> 8),
            static_cast<std::uint8_t>(zeroWord),
            static_cast<std::uint8_t>(zeroWord >> 8),
            1,
            2,
            3,
            4,
            5,
            6,
            7,
            8};
}

class VirtualReaderTest : public ::testing::Test {
  protected:
    // Sends a request; the reply's data bytes, or nothing when no reply can be read.
    std::optional<Bytes> Exchange(const Bytes& request) {
        EXPECT_TRUE(reader.SetFeature(request.data(), request.size()));
        return Read();
    }
    std::optional<Bytes> Read() {
        Bytes reply(63, 0);
        reply[0] = 0x41;
        if (!reader.GetFeature(reply.data(), reply.size())) {
            return std::nullopt;
        }
        lastReply = reply;
        const std::size_t length = reply[1] | (reply[2] << 8);
        EXPECT_GE(length, 5u);
        EXPECT_LE(length, 62u);
        return Bytes(reply.begin() + 4, reply.begin() + static_cast<long>(length) - 1);
    }
    std::uint8_t AckOf(const Bytes& request) {
        const auto reply = Exchange(request);
        EXPECT_TRUE(reply && reply->size() == 1);
        return reply && reply->size() == 1 ? (*reply)[0] : 0xEE;
    }

    std::array<std::uint8_t, 16> record{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    VirtualReader reader{link::ReaderInfo{141, 12345, 7}, record, link::PRODUCT_ID_41};
    Bytes lastReply;
};

TEST_F(VirtualReaderTest, ReplyToReadInfoIsAFullShortFrame) {
    ASSERT_TRUE(Exchange(Short('M')));
    const Bytes head = {0x41, 0x0B, 0x00, 0xCD, 0x8D, 0x00, 0x39, 0x30, 0x07, 0x00};
    EXPECT_EQ(Bytes(lastReply.begin(), lastReply.begin() + 10), head);
    EXPECT_EQ(Crc16(&lastReply[1], 11, 0xFFFF), 0);
    EXPECT_EQ(Bytes(lastReply.begin() + 12, lastReply.end()), Bytes(51, 0));
    EXPECT_EQ(reader.VendorId(), 0x13AB);
    EXPECT_EQ(reader.ProductId(), 0x41);
}

TEST_F(VirtualReaderTest, ReadConfigGivesTheRecord) {
    EXPECT_EQ(Exchange(Short('c')), Bytes(record.begin(), record.end()));
}

TEST_F(VirtualReaderTest, WriteConfigStoresOnlyWithTheRightCrc32) {
    Bytes request(16, 0x33);
    const std::uint32_t crc = link::Crc32(request.data(), 16, 0xFFFFFFFFu);
    for (int i = 0; i < 4; ++i) {
        request.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    }
    Bytes wrong = request;
    wrong[19] ^= 0x80;
    EXPECT_EQ(AckOf(Short('C', wrong)), VirtualReader::ACK_BAD_CRC);
    EXPECT_EQ(reader.record, record);
    EXPECT_EQ(AckOf(Short('C', request)), 0);
    EXPECT_EQ(Bytes(reader.record.begin(), reader.record.end()), Bytes(16, 0x33));
}

struct InvalidCase {
    const char* name;
    Bytes request;
    bool frameValid;  // the frame checks out, only the command or its data count is wrong
};

Bytes WithBadCrc() {
    Bytes frame = Short('M');
    frame[5] ^= 0x01;
    return frame;
}

Bytes Resized(Bytes frame, std::size_t size) {
    frame.resize(size, 0);
    return frame;
}

class InvalidRequest : public VirtualReaderTest,
                       public ::testing::WithParamInterface<InvalidCase> {};

TEST_P(InvalidRequest, IsLoggedAndGetsNoReply) {
    const Bytes& request = GetParam().request;
    EXPECT_FALSE(Exchange(request));
    ASSERT_EQ(reader.Log().size(), 1u);
    EXPECT_EQ(reader.Log()[0].report, request);
    EXPECT_EQ(reader.Log()[0].valid, GetParam().frameValid);
    EXPECT_FALSE(reader.Log()[0].answered);
    EXPECT_EQ(reader.record, record);
    EXPECT_TRUE(Exchange(Short('M')));  // and the reader goes on answering
}

INSTANTIATE_TEST_SUITE_P(
    Requests, InvalidRequest,
    ::testing::Values(InvalidCase{"BadCrc", WithBadCrc(), false},
                      InvalidCase{"ShortReportOf64Bytes", Resized(Short('M'), 64), false},
                      InvalidCase{"ShortReportOf62Bytes", Resized(Short('M'), 62), false},
                      InvalidCase{"LongReportOf63Bytes", Frame(0x49, 63, 'M'), false},
                      InvalidCase{"UnknownReportId", Frame(0x42, 63, 'M'), false},
                      InvalidCase{"ShortFrameInLongReport", Frame(0x49, 575, 'M'), false},
                      InvalidCase{"LongFrameInShortReport", Resized(Block(0, 1), 63), false},
                      InvalidCase{"LongFrameTooShort", Frame(0x49, 575, 'Y', Bytes(505, 0)), false},
                      InvalidCase{"UnknownCommand", Short('Q'), true},
                      InvalidCase{"ReadInfoWithData", Short('M', {1}), true},
                      InvalidCase{"WriteConfigOf16Bytes", Short('C', Bytes(16, 0)), true},
                      InvalidCase{"BlockInShortFrame", Short('Y', Bytes(57, 0)), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualReaderTest, ReplyIsHandedOverOnceAndOnlyAsReport41Of63Bytes) {
    ASSERT_TRUE(reader.SetFeature(Short('M').data(), 63));
    Bytes buffer(575, 0);
    buffer[0] = 0x49;
    EXPECT_FALSE(reader.GetFeature(buffer.data(), 575));
    buffer[0] = 0x41;
    EXPECT_FALSE(reader.GetFeature(buffer.data(), 62));
    EXPECT_TRUE(reader.GetFeature(buffer.data(), 63));
    EXPECT_FALSE(reader.GetFeature(buffer.data(), 63));
}

TEST_F(VirtualReaderTest, UploadInOrderInstallsTheNewVersion) {
    reader.expectedCode = std::array<std::uint8_t, 8>{8, 7, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(AckOf(Short('Z', Header(12, 2))), 0);
    EXPECT_EQ(AckOf(Block(0, 0xB0)), 0);
    EXPECT_EQ(AckOf(Block(1, 0xB1)), 0);
    EXPECT_EQ(AckOf(Short('y', {8, 7, 6, 5, 4, 3, 2, 1})), 0);
    EXPECT_EQ(reader.info.firmware, 7);
    EXPECT_EQ(AckOf(Short('z')), 0);
    EXPECT_EQ(reader.info.firmware, 12);
    const auto& upload = reader.UploadState();
    EXPECT_TRUE(upload.finished);
    EXPECT_FALSE(upload.active);
    Bytes payload(520, 0xB0);
    payload.insert(payload.end(), 520, 0xB1);
    EXPECT_EQ(upload.payload, payload);
    EXPECT_EQ(Bytes(upload.header.begin(), upload.header.end()), Header(12, 2));
}

TEST_F(VirtualReaderTest, UploadStepsOutOfOrderAreRefusedAndChangeNothing) {
    EXPECT_EQ(AckOf(Block(0, 0)), VirtualReader::ACK_OUT_OF_ORDER);  // before "Z"
    EXPECT_EQ(AckOf(Short('z')), VirtualReader::ACK_OUT_OF_ORDER);
    EXPECT_EQ(AckOf(Short('Z', Header(12, 2, 1))), VirtualReader::ACK_BAD_HEADER);
    EXPECT_FALSE(reader.UploadState().active);

    EXPECT_EQ(AckOf(Short('Z', Header(12, 2))), 0);
    EXPECT_EQ(AckOf(Block(1, 0)), VirtualReader::ACK_OUT_OF_ORDER);              // skips block 0
    EXPECT_EQ(AckOf(Short('y', Bytes(8, 0))), VirtualReader::ACK_OUT_OF_ORDER);  // too early
    EXPECT_EQ(AckOf(Block(0, 0)), 0);
    EXPECT_EQ(AckOf(Block(0, 0)), VirtualReader::ACK_OUT_OF_ORDER);  // repeated
    EXPECT_EQ(AckOf(Block(1, 0)), 0);
    EXPECT_EQ(AckOf(Block(2, 0)), VirtualReader::ACK_OUT_OF_ORDER);  // past the count
    EXPECT_EQ(AckOf(Short('z')), VirtualReader::ACK_OUT_OF_ORDER);   // code missing
    reader.expectedCode = std::array<std::uint8_t, 8>{1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(AckOf(Short('y', Bytes(8, 0))), VirtualReader::ACK_BAD_CODE);
    EXPECT_EQ(reader.UploadState().payload.size(), 1040u);
    EXPECT_EQ(reader.info.firmware, 7);
}

TEST_F(VirtualReaderTest, OneShotFaultHitsOnlyTheNextMatchingRequest) {
    reader.AddFault(Fault(FaultKind::NoReply).On('c'));
    EXPECT_TRUE(Exchange(Short('M')));
    EXPECT_EQ(reader.PendingFaults(), 1u);
    EXPECT_FALSE(Exchange(Short('c')));
    EXPECT_TRUE(Exchange(Short('c')));
    EXPECT_EQ(reader.PendingFaults(), 0u);
}

TEST_F(VirtualReaderTest, PersistentFaultStaysUntilCleared) {
    reader.AddFault(Fault(FaultKind::FlipCrcBit).On('c').Always());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(reader.SetFeature(Short('c').data(), 63));
        ASSERT_TRUE(Read());
        EXPECT_NE(Crc16(&lastReply[1], 21, 0xFFFF), 0);
    }
    reader.ClearFaults();
    Exchange(Short('c'));
    EXPECT_EQ(Crc16(&lastReply[1], 21, 0xFFFF), 0);
}

TEST_F(VirtualReaderTest, AckFaultAtAChosenBlockRefusesItWithoutStoringIt) {
    reader.AddFault(Fault(FaultKind::Ack).On('Y').AtBlock(1).WithValue(5));
    EXPECT_EQ(AckOf(Short('Z', Header(12, 3))), 0);
    EXPECT_EQ(AckOf(Block(0, 0)), 0);
    EXPECT_EQ(AckOf(Block(1, 0)), 5);
    EXPECT_EQ(reader.UploadState().nextBlock, 1);
    EXPECT_EQ(AckOf(Block(1, 0)), 0);
}

TEST_F(VirtualReaderTest, SpoiledRepliesLookAsAsked) {
    reader.AddFault(Fault(FaultKind::EchoWithoutBit7));
    Exchange(Short('M'));
    EXPECT_EQ(lastReply[3], 'M');
    EXPECT_EQ(Crc16(&lastReply[1], 11, 0xFFFF), 0);

    reader.AddFault(Fault(FaultKind::WrongReportId).WithValue(0x49));
    ASSERT_TRUE(reader.SetFeature(Short('M').data(), 63));
    Bytes reply(63, 0);
    reply[0] = 0x41;
    ASSERT_TRUE(reader.GetFeature(reply.data(), 63));
    EXPECT_EQ(reply[0], 0x49);

    reader.AddFault(Fault(FaultKind::FrameLength).WithLength(8));  // 3 of the 6 data bytes
    EXPECT_EQ(Exchange(Short('M')), (Bytes{0x8D, 0x00, 0x39}));
}

TEST_F(VirtualReaderTest, RejectedRequestAndUnpluggedReaderReceiveNothing) {
    reader.AddFault(Fault(FaultKind::RejectRequest).On('C'));
    const Bytes request = Short('C', Bytes(20, 0));
    EXPECT_FALSE(reader.SetFeature(request.data(), request.size()));
    reader.unplugged = true;
    EXPECT_FALSE(reader.SetFeature(Short('M').data(), 63));
    reader.unplugged = false;
    ASSERT_TRUE(reader.SetFeature(Short('M').data(), 63));
    reader.unplugged = true;
    Bytes reply(63, 0x41);
    EXPECT_FALSE(reader.GetFeature(reply.data(), 63));
    EXPECT_EQ(reader.Log().size(), 1u);
}

TEST_F(VirtualReaderTest, LoggingCanBeSwitchedOff) {
    reader.SetLogging(false);
    EXPECT_TRUE(Exchange(Short('M')));
    EXPECT_TRUE(reader.Log().empty());
}

TEST(VirtualPlatformTest, UnpluggedInterfaceIsNotListedAndItsHandlesFail) {
    VirtualReader reader(link::ReaderInfo{}, {});
    VirtualPlatform platform;
    const auto id = platform.AddReader(reader, {.openable = true, .hinted = false});
    std::vector<link::HidInterface> listed;
    ASSERT_TRUE(platform.ListInterfaces(listed));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_FALSE(listed[0].hint.has_value());
    const link::HidHandle handle = platform.Open(listed[0].path);
    link::HidIds ids;
    ASSERT_TRUE(platform.GetIds(handle, ids));
    EXPECT_EQ(ids, (link::HidIds{0x13AB, 0x51}));

    platform.Unplug(id);
    EXPECT_TRUE(platform.ListInterfaces(listed));
    EXPECT_TRUE(listed.empty());
    EXPECT_FALSE(platform.GetIds(handle, ids));
    EXPECT_FALSE(platform.SetFeature(handle, Short('M').data(), 63));
    EXPECT_EQ(platform.Open(platform.PathOf(id)), link::INVALID_HID_HANDLE);
    platform.Plug(id);
    EXPECT_FALSE(platform.SetFeature(handle, Short('M').data(), 63));  // old handle stays dead
    platform.Close(handle);
    platform.Close(handle);
    EXPECT_EQ(platform.BadCloses(), 1);
    EXPECT_EQ(platform.OpenCount(id), 2);
}

}  // namespace
}  // namespace zrt::sim
