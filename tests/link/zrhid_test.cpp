// Tests of the frame layer (Transact, TransactAck), the link error texts and the seven reader
// commands, asserting the bytes that reach the virtual reader and the handling of its replies.
#include "link/zrhid.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>

#include "link/crc.hpp"
#include "link/link_error.hpp"
#include "tests/link/reader_fixture.hpp"

namespace zrt::link::test {
namespace {

using sim::Fault;
using sim::FaultKind;

Bytes Zeros(std::size_t count) {
    return Bytes(count, 0);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes LowFirst(std::uint32_t value, int bytes) {
    Bytes out;
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return out;
}

// Accept any well-framed request with a zero acknowledgement, whatever its command.
Fault AcceptAll() {
    return Fault(FaultKind::Ack).Always().WithValue(0);
}

// ---- Requests on the wire -------------------------------------------------------------------

class WorkedFrames : public ReaderFixture {};

TEST_F(WorkedFrames, ReadInfoIsTheWorkedFrame) {
    zr.ReadInfo();
    EXPECT_EQ(SentReport(), Concat({{0x41, 0x05, 0x00, 0x4D, 0xA1, 0xF4}, Zeros(57)}));
}

TEST_F(WorkedFrames, ReadConfigIsTheWorkedFrame) {
    std::array<std::uint8_t, 16> config{};
    zr.ReadConfig(config);
    EXPECT_EQ(SentReport(), Concat({{0x41, 0x05, 0x00, 0x63, 0x21, 0xE8}, Zeros(57)}));
    EXPECT_EQ(config, record);
}

TEST_F(WorkedFrames, UpgradeEndIsTheWorkedFrame) {
    reader.AddFault(AcceptAll());
    zr.UpgradeEnd();
    EXPECT_EQ(SentReport(), Concat({{0x41, 0x05, 0x00, 0x7A, 0xE0, 0x22}, Zeros(57)}));
}

TEST_F(WorkedFrames, WriteConfigSendsRecordCrc32AndCrc16) {
    std::array<std::uint8_t, 16> config;
    std::iota(config.begin(), config.end(), std::uint8_t{0xA0});
    EXPECT_EQ(zr.WriteConfig(config), 1);  // the reader acknowledges with one byte

    const Bytes report = SentReport();
    const Bytes head = {0x41, 0x19, 0x00, 0x43};
    const Bytes recordBytes(config.begin(), config.end());
    const Bytes crc32 = LowFirst(Crc32(config.data(), 16, 0xFFFFFFFFu), 4);
    const Bytes crc16 = LowFirst(Crc16(&report[1], 23, 0xFFFF), 2);
    EXPECT_EQ(report, Concat({head, recordBytes, crc32, crc16, Zeros(37)}));
    EXPECT_EQ(Crc16(&report[1], 25, 0xFFFF), 0);
    EXPECT_EQ(reader.record, config);
}

TEST_F(WorkedFrames, WriteConfigOfSixteenZerosAppendsTheirCrc32LowByteFirst) {
    const std::array<std::uint8_t, 16> zeros{};
    zr.WriteConfig(zeros);
    const Bytes report = SentReport();
    EXPECT_EQ(Bytes(report.begin() + 20, report.begin() + 24), (Bytes{0xC8, 0x22, 0x2D, 0x55}));
}

TEST_F(WorkedFrames, UpgradeBlockIsOneLongFrame) {
    reader.AddFault(AcceptAll());
    Bytes block(UPGRADE_BLOCK_SIZE);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    zr.UpgradeBlock(0x0102, block.data());

    const Bytes report = SentReport();
    ASSERT_EQ(report.size(), 575u);
    EXPECT_EQ(Bytes(report.begin(), report.begin() + 6),
              (Bytes{0x49, 0x0F, 0x02, 0x59, 0x02, 0x01}));
    EXPECT_EQ(Bytes(report.begin() + 6, report.begin() + 526), block);
    EXPECT_EQ(Bytes(report.begin() + 526, report.begin() + 528),
              LowFirst(Crc16(&report[1], 525, 0xFFFF), 2));
    EXPECT_EQ(Bytes(report.begin() + 528, report.end()), Zeros(47));
}

TEST_F(WorkedFrames, UpgradeBeginAndCodeSendTheCallersBytes) {
    reader.AddFault(AcceptAll());
    const Bytes header = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const Bytes code = {0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7};
    zr.UpgradeBegin(header.data());
    Bytes report = SentReport();
    EXPECT_EQ(Bytes(report.begin(), report.begin() + 4), (Bytes{0x41, 21, 0, 'Z'}));
    EXPECT_EQ(Bytes(report.begin() + 4, report.begin() + 20), header);
    zr.UpgradeCode(code.data());
    report = SentReport();
    EXPECT_EQ(Bytes(report.begin(), report.begin() + 4), (Bytes{0x41, 13, 0, 'y'}));
    EXPECT_EQ(Bytes(report.begin() + 4, report.begin() + 12), code);
}

// ---- Data-length bounds ---------------------------------------------------------------------

struct LengthCase {
    std::uint32_t sendLength;
    std::int32_t error;  // -100: framed and sent
    std::uint8_t reportId;
    std::size_t reportSize;
};

class DataLengthBounds : public ReaderFixture, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(DataLengthBounds, FrameOrRefuseBeforeSending) {
    const LengthCase& c = GetParam();
    reader.AddFault(AcceptAll());
    Bytes data(65535);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i + 1);
    }
    const auto length = static_cast<std::uint16_t>(c.sendLength);
    EXPECT_EQ(ErrorCode([&] { zr.Transact('Q', data.data(), length, nullptr, 0); }), c.error);
    if (c.error != -100) {
        EXPECT_TRUE(reader.Log().empty()) << "nothing may be written";
        return;
    }
    const Bytes report = SentReport();
    ASSERT_EQ(report.size(), c.reportSize);
    const std::uint32_t frameLength = c.sendLength + 5;
    EXPECT_EQ(report[0], c.reportId);
    EXPECT_EQ(report[1] | (report[2] << 8), static_cast<int>(frameLength));
    EXPECT_EQ(report[3], 'Q');
    EXPECT_EQ(Bytes(report.begin() + 4, report.begin() + 4 + c.sendLength),
              Bytes(data.begin(), data.begin() + c.sendLength));
    EXPECT_EQ(Crc16(&report[1], frameLength, 0xFFFF), 0);
    EXPECT_EQ(Bytes(report.begin() + frameLength + 1, report.end()),
              Zeros(report.size() - frameLength - 1));
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, DataLengthBounds,
    ::testing::Values(LengthCase{0, -100, 0x41, 63}, LengthCase{57, -100, 0x41, 63},
                      LengthCase{58, ERR_PROGRAM, 0, 0}, LengthCase{505, ERR_PROGRAM, 0, 0},
                      LengthCase{506, -100, 0x49, 575}, LengthCase{569, -100, 0x49, 575},
                      LengthCase{570, ERR_PROGRAM, 0, 0}, LengthCase{65535, ERR_PROGRAM, 0, 0}));

TEST_F(ReaderFixture, HandleIsTestedBeforeTheLength) {
    zr.handle = INVALID_HID_HANDLE;
    Bytes data(65535);
    EXPECT_EQ(ErrorCode([&] { zr.Transact('Q', data.data(), 65535, nullptr, 0); }), ERR_NOT_FOUND);
    EXPECT_EQ(ErrorCode([&] { zr.Transact('Q', data.data(), 100, nullptr, 0); }), ERR_NOT_FOUND);
    EXPECT_EQ(ErrorCode([&] { zr.ReadInfo(); }), ERR_NOT_FOUND);
    EXPECT_EQ(ErrorCode([&] { zr.UpgradeBlock(0, nullptr); }), ERR_NOT_FOUND);
    EXPECT_TRUE(reader.Log().empty());
}

TEST_F(ReaderFixture, CallerErrorsAreRefusedBeforeSending) {
    std::uint8_t reply[64];
    EXPECT_EQ(ErrorCode([&] { zr.Transact('M', nullptr, 0, reply, 58); }), ERR_PROGRAM);
    EXPECT_EQ(ErrorCode([&] { zr.Transact('M', nullptr, 0, nullptr, 6); }), ERR_PROGRAM);
    EXPECT_EQ(ErrorCode([&] { zr.Transact('C', nullptr, 20, nullptr, 0); }), ERR_PROGRAM);
    EXPECT_EQ(ErrorCode([&] { zr.UpgradeBlock(0, nullptr); }), ERR_PROGRAM);
    EXPECT_TRUE(reader.Log().empty());
    EXPECT_EQ(zr.Transact('M', nullptr, 0, reply, 57), 6);  // 57 is allowed
}

// ---- Replies --------------------------------------------------------------------------------

// A reply of `frameLength` for "M" whose CRC-16 over offsets 1..62 is 0, so that only the length
// check can refuse it (the work buffer beyond offset 62 is zero after a short request).
Bytes ReplyPassingTheCrcAtLength(std::uint16_t frameLength) {
    Bytes reply = Concat({{0x41}, LowFirst(frameLength, 2), {0xCD}, Zeros(59)});
    const Bytes crc = LowFirst(Crc16(&reply[1], 60, 0xFFFF), 2);
    reply[61] = crc[0];
    reply[62] = crc[1];
    return reply;
}

struct MalformedCase {
    const char* name;
    Fault fault;
};

class MalformedReply : public ReaderFixture, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedReply, RaisesBadReplyAndKeepsInfo) {
    reader.AddFault(GetParam().fault);
    zr.info = ReaderInfo{1, 2, 3};
    EXPECT_EQ(ErrorCode([&] { zr.ReadInfo(); }), ERR_BAD_REPLY);
    EXPECT_EQ(zr.info.model, 1);
    EXPECT_EQ(zr.info.serial, 2);
    EXPECT_EQ(zr.info.firmware, 3);
    EXPECT_EQ(reader.Log().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, MalformedReply,
    ::testing::Values(
        MalformedCase{"CrcLowBitFlipped", Fault(FaultKind::FlipCrcBit).WithValue(0)},
        MalformedCase{"CrcHighBitFlipped", Fault(FaultKind::FlipCrcBit).WithValue(15)},
        MalformedCase{"EchoWithoutBit7", Fault(FaultKind::EchoWithoutBit7)},
        MalformedCase{"FrameLength4", Fault(FaultKind::FrameLength).WithLength(4)},
        MalformedCase{"FrameLength63", Fault(FaultKind::FrameLength).WithLength(63)},
        MalformedCase{"FrameLength65535", Fault(FaultKind::FrameLength).WithLength(65535)},
        MalformedCase{"ReportId49", Fault(FaultKind::WrongReportId).WithValue(0x49)},
        MalformedCase{"Length63WithPassingCrc",
                      Fault(FaultKind::RawReply).WithData(ReplyPassingTheCrcAtLength(63))},
        MalformedCase{"Length574WithPassingCrc",
                      Fault(FaultKind::RawReply).WithData(ReplyPassingTheCrcAtLength(574))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderFixture, ReplyLengthsFiveAndSixtyTwoAreAccepted) {
    std::uint8_t reply[57];
    reader.AddFault(Fault(FaultKind::FrameLength).WithLength(62));
    EXPECT_EQ(zr.Transact('M', nullptr, 0, reply, 57), 57);
    reader.AddFault(Fault(FaultKind::ReplaceData).WithData({}));
    EXPECT_EQ(zr.Transact('M', nullptr, 0, reply, 0), 0);
}

TEST_F(ReaderFixture, ShortReplyGivesBytesFromTheDataOffsetAndTheTrueCount) {
    reader.AddFault(Fault(FaultKind::ReplaceData).WithData({0xAA, 0xBB}));
    std::uint8_t reply[6] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11};
    EXPECT_EQ(zr.Transact('M', nullptr, 0, reply, 6), 2);
    const Bytes crcOfReply =
        LowFirst(Crc16(Bytes{0x07, 0x00, 0xCD, 0xAA, 0xBB}.data(), 5, 0xFFFF), 2);
    EXPECT_EQ(Bytes(reply, reply + 6), Concat({{0xAA, 0xBB}, crcOfReply, {0x00, 0x00}}));
}

TEST_F(ReaderFixture, ReadInfoDecodesModelSerialFirmware) {
    reader.AddFault(Fault(FaultKind::ReplaceData).WithData({0x8D, 0x00, 0x39, 0x30, 0x07, 0x00}));
    zr.ReadInfo();
    EXPECT_EQ(zr.info.model, 141);
    EXPECT_EQ(zr.info.serial, 12345);
    EXPECT_EQ(zr.info.firmware, 7);
    zr.ReadInfo();  // the reader's own identity
    EXPECT_EQ(zr.info.model, 151);
    EXPECT_EQ(zr.info.serial, 4242);
    EXPECT_EQ(zr.info.firmware, 9);
}

TEST_F(ReaderFixture, WriteConfigAcceptsAnyDataButNotAMissingEcho) {
    reader.AddFault(Fault(FaultKind::ReplaceData).WithData({9, 8, 7}));
    EXPECT_EQ(zr.WriteConfig(record), 3);
    reader.AddFault(Fault(FaultKind::EchoWithoutBit7));  // 0x43 with a right CRC-16
    EXPECT_EQ(ErrorCode([&] { zr.WriteConfig(record); }), ERR_BAD_REPLY);
}

TEST_F(ReaderFixture, FailedCommandsLeaveInfoAndBufferAsTheyWere) {
    zr.info = ReaderInfo{1, 2, 3};
    std::array<std::uint8_t, 16> config;
    config.fill(0x5A);
    const auto before = config;

    reader.AddFault(Fault(FaultKind::NoReply));
    EXPECT_EQ(ErrorCode([&] { zr.ReadInfo(); }), ERR_HID_DRIVER);
    reader.AddFault(Fault(FaultKind::NoReply));
    EXPECT_EQ(ErrorCode([&] { zr.ReadConfig(config); }), ERR_HID_DRIVER);
    reader.AddFault(Fault(FaultKind::FlipCrcBit).On('c').WithValue(3));
    EXPECT_EQ(ErrorCode([&] { zr.ReadConfig(config); }), ERR_BAD_REPLY);

    EXPECT_EQ(zr.info.model, 1);
    EXPECT_EQ(zr.info.serial, 2);
    EXPECT_EQ(zr.info.firmware, 3);
    EXPECT_EQ(config, before);
}

// A reply with fewer data bytes than "M" (6) or "c" (16) needs is refused, whatever it carries:
// its CRC and fill bytes would otherwise pass as serial number or record.
TEST_F(ReaderFixture, ReadsRefuseRepliesWithTooFewDataBytes) {
    zr.info = ReaderInfo{1, 2, 3};
    std::array<std::uint8_t, 16> config;
    config.fill(0x5A);
    const auto before = config;
    for (std::size_t count : {0u, 5u}) {
        reader.AddFault(Fault(FaultKind::ReplaceData).On('M').WithData(Bytes(count, 0x77)));
        EXPECT_EQ(ErrorCode([&] { zr.ReadInfo(); }), ERR_BAD_REPLY) << count;
    }
    for (std::size_t count : {0u, 6u, 15u}) {
        reader.AddFault(Fault(FaultKind::ReplaceData).On('c').WithData(Bytes(count, 0x77)));
        EXPECT_EQ(ErrorCode([&] { zr.ReadConfig(config); }), ERR_BAD_REPLY) << count;
    }
    EXPECT_EQ(zr.info.serial, 2);
    EXPECT_EQ(config, before);

    // Exactly enough, or more, is data.
    reader.AddFault(Fault(FaultKind::ReplaceData).On('c').WithData(Bytes(17, 0x77)));
    zr.ReadConfig(config);
    EXPECT_TRUE(std::all_of(config.begin(), config.end(), [](auto b) { return b == 0x77; }));
}

TEST_F(ReaderFixture, PlatformFailuresGiveDriverError) {
    reader.AddFault(Fault(FaultKind::RejectRequest));  // the write fails
    EXPECT_EQ(ErrorCode([&] { zr.ReadInfo(); }), ERR_HID_DRIVER);
    EXPECT_TRUE(reader.Log().empty());
    reader.unplugged = true;
    EXPECT_EQ(ErrorCode([&] { zr.ReadInfo(); }), ERR_HID_DRIVER);
    reader.unplugged = false;
    zr.ReadInfo();
    EXPECT_EQ(zr.info.serial, 4242);
}

// ---- Acknowledged transactions --------------------------------------------------------------

struct AckCase {
    const char* name;
    Bytes reply;
    std::int32_t error;
};

class Acknowledgement : public ReaderFixture, public ::testing::WithParamInterface<AckCase> {};

TEST_P(Acknowledgement, OnlyASingleZeroByteIsAccepted) {
    const Bytes header(16), block(520), code(8);
    const std::function<void()> commands[] = {
        [&] { zr.UpgradeBegin(header.data()); },  [&] { zr.UpgradeBlock(0, block.data()); },
        [&] { zr.UpgradeCode(code.data()); },     [&] { zr.UpgradeEnd(); },
        [&] { zr.TransactAck('Q', nullptr, 0); },
    };
    for (const auto& command : commands) {
        reader.AddFault(Fault(FaultKind::ReplaceData).WithData(GetParam().reply));
        EXPECT_EQ(ErrorCode(command), GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, Acknowledgement,
                         ::testing::Values(AckCase{"Zero", {0}, -100},
                                           AckCase{"One", {1}, ERR_UPGRADE},
                                           AckCase{"NoData", {}, ERR_UPGRADE},
                                           AckCase{"TwoBytes", {0, 0}, ERR_UPGRADE}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderFixture, AcknowledgedTransactionPassesFrameErrorsThrough) {
    reader.AddFault(Fault(FaultKind::EchoWithoutBit7));
    EXPECT_EQ(ErrorCode([&] { zr.UpgradeEnd(); }), ERR_BAD_REPLY);
    reader.AddFault(Fault(FaultKind::NoReply));
    EXPECT_EQ(ErrorCode([&] { zr.UpgradeEnd(); }), ERR_HID_DRIVER);
}

// ---- Error texts ----------------------------------------------------------------------------

// Another program holding the reader: a transaction waits for it the reader's lockWait, then fails
// with code 5 having sent nothing; a sequence's lock is re-entered by its transactions and held
// until the sequence ends.
TEST_F(ReaderFixture, TheReaderLockKeepsOtherProgramsOut) {
    const HidHandle other = platform.Open(platform.PathOf(0));
    ASSERT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), LockResult::Locked);
    zr.lockWait = std::chrono::milliseconds{40};
    EXPECT_EQ(ErrorCode([&] { zr.ReadInfo(); }), ERR_IN_USE);
    EXPECT_TRUE(reader.Log().empty());
    EXPECT_EQ(platform.LockWaits().back(), std::chrono::milliseconds{40});
    {
        const ReaderLock tried(zr, ReaderLock::Mode::Try);
        EXPECT_FALSE(tried.Held());
        EXPECT_EQ(platform.LockWaits().back(), std::chrono::milliseconds{0});
    }
    EXPECT_EQ(platform.LockHolder(0), other) << "a lock not had is not let go";

    platform.Unlock(other);
    {
        const ReaderLock sequence(zr);
        zr.ReadInfo();
        zr.ReadInfo();
        EXPECT_EQ(platform.LockHolder(0), zr.handle) << "still held between the transactions";
        EXPECT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), LockResult::Busy);
    }
    EXPECT_EQ(reader.Log().size(), 2u);
    EXPECT_EQ(platform.LockHolder(0), INVALID_HID_HANDLE);
    platform.Close(other);
}

// With a wait hook the lock is tried once per LOCK_RETRY and the hook passes the time between:
// it gives up when the hook's waits reach lockWait, and gets the lock once the holder lets go.
TEST_F(ReaderFixture, ALockWaitHookPassesTheTimeBetweenSingleTries) {
    const HidHandle other = platform.Open(platform.PathOf(0));
    ASSERT_EQ(platform.Lock(other, std::chrono::milliseconds{0}), LockResult::Locked);
    zr.lockWait = std::chrono::milliseconds{50};
    std::vector<std::chrono::milliseconds::rep> steps;
    zr.lockWaitHook = [&](std::chrono::milliseconds step) { steps.push_back(step.count()); };
    EXPECT_EQ(ErrorCode([&] { ReaderLock lock(zr); }), ERR_IN_USE);
    EXPECT_EQ(steps, (std::vector<std::chrono::milliseconds::rep>{20, 20, 10}));
    for (const auto wait : platform.LockWaits()) {
        EXPECT_EQ(wait, std::chrono::milliseconds{0}) << "no wait inside the platform";
    }

    steps.clear();
    zr.lockWaitHook = [&](std::chrono::milliseconds step) {
        steps.push_back(step.count());
        platform.Unlock(other);
    };
    zr.ReadInfo();
    EXPECT_EQ(steps.size(), 1u);
    EXPECT_EQ(reader.Log().size(), 1u);
    platform.Close(other);
}

TEST_F(ReaderFixture, ALockThatCannotBeAskedForIsADriverError) {
    platform.Unplug(0);
    EXPECT_EQ(ErrorCode([&] { ReaderLock lock(zr); }), ERR_HID_DRIVER);
    zr.handle = INVALID_HID_HANDLE;
    EXPECT_EQ(ErrorCode([&] { ReaderLock lock(zr); }), ERR_NOT_FOUND);
}

}  // namespace
}  // namespace zrt::link::test
