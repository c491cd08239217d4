// Fuzz target: the reply path of every reader command. A platform whose feature read hands back
// whatever the fuzzer gives (a failure, any number of raw bytes over the buffer, or a well-framed
// reply with a valid CRC-16, perhaps with one byte spoilt afterwards) drives the seven commands in
// any order on one reader object. What must hold:
// - each command writes exactly one well-formed request and reads at most one reply;
// - a command fails only with codes 1 to 4: 1 exactly when a feature-report call failed, 4 only
//   for an upgrade step, and a reply that is not well framed always fails;
// - a command that succeeds took its result from a well-framed reply to that command (report
//   0x41, command | 0x80, frame length 5..62, CRC-16 holding), and the count it returns is the
//   reply's data count;
// - a failure leaves the identity and the record as they were.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "link/le16.hpp"
#include "link/zrhid.hpp"

namespace zrt::fuzz {
namespace {

constexpr link::HidHandle HANDLE = 7;
constexpr std::size_t REPLY_SIZE = link::SHORT_REPORT_SIZE;

// A frame in a report buffer is well formed: report ID, command, length within the report, and the
// CRC-16 over the length field, command and data in its last two bytes.
bool WellFramed(const std::uint8_t* report, std::uint8_t reportId, std::uint8_t command,
                std::size_t minLength, std::size_t maxLength) {
    const std::size_t length = link::GetLe16(&report[1]);
    return report[0] == reportId && report[3] == command && length >= minLength &&
           length <= maxLength &&
           ReferenceCrc16(&report[1], length - 2) == link::GetLe16(&report[length - 1]);
}

// CRC-32/MPEG-2, one bit at a time (0x04C11DB7, most significant bit first, initial 0xFFFFFFFF).
std::uint32_t ReferenceCrc32(const std::uint8_t* data, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= std::uint32_t{data[i]} << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

class ReplyPlatform final : public link::HidPlatform {
  public:
    explicit ReplyPlatform(FuzzInput& input) : input_(input) {}

    bool ListInterfaces(std::vector<link::HidInterface>& out) override {
        out.clear();
        return false;
    }
    link::HidHandle Open(const std::string&, link::OpenError& why) override {
        why = link::OpenError::Gone;
        return link::INVALID_HID_HANDLE;
    }
    // The reader is never held by another program here: every transaction gets its lock.
    link::LockResult Lock(link::HidHandle, std::chrono::milliseconds) override {
        return link::LockResult::Locked;
    }
    void Unlock(link::HidHandle) override {}
    bool GetIds(link::HidHandle, link::HidIds&) override { return false; }
    void Close(link::HidHandle) override {}

    bool SetFeature(link::HidHandle handle, const std::uint8_t* buffer,
                    std::size_t length) override {
        FUZZ_REQUIRE(handle == HANDLE);
        FUZZ_REQUIRE(length == link::SHORT_REPORT_SIZE || length == link::LONG_REPORT_SIZE);
        const bool isLong = length == link::LONG_REPORT_SIZE;
        FUZZ_REQUIRE(WellFramed(buffer, isLong ? link::REPORT_ID_LONG : link::REPORT_ID_SHORT,
                                expectedCommand, isLong ? 511 : 5, length - 1));
        FUZZ_REQUIRE(link::GetLe16(&buffer[1]) == expectedData.size() + 5);
        FUZZ_REQUIRE(std::equal(expectedData.begin(), expectedData.end(), &buffer[4]));
        ++writes;
        if (input_.Byte() == 0xFF) {
            failedCall = true;
            return false;
        }
        return true;
    }

    bool GetFeature(link::HidHandle handle, std::uint8_t* buffer, std::size_t length) override {
        FUZZ_REQUIRE(handle == HANDLE && length == REPLY_SIZE && buffer[0] == 0x41);
        FUZZ_REQUIRE(writes == 1);  // a reply is read only after its request went out
        ++reads;
        const std::uint8_t mode = input_.Byte();
        switch (mode & 3) {
            case 0:
                failedCall = true;
                return false;
            case 1:  // raw bytes over the start of the buffer; the rest stays as it was
                input_.Bytes(buffer, std::min<std::size_t>(input_.Byte() % (REPLY_SIZE + 1),
                                                           input_.Remaining()));
                break;
            default: {  // a well-framed reply, mostly to the right command
                const std::size_t count =
                    (mode & 3) == 3 ? 1 : input_.Byte() % (link::MAX_REPLY_DATA + 1);
                std::memset(buffer, 0, REPLY_SIZE);
                buffer[0] = link::REPORT_ID_SHORT;
                link::PutLe16(&buffer[1], count + 5);
                buffer[3] = (mode & 0x04) != 0 ? input_.Byte() : (expectedCommand | 0x80);
                input_.Bytes(&buffer[4], count);
                if ((mode & 3) == 3 && (mode & 0x08) == 0) {
                    buffer[4] = 0;  // the acknowledgement an upgrade step waits for
                }
                link::PutLe16(&buffer[4 + count], ReferenceCrc16(&buffer[1], count + 3));
                if ((mode & 0x10) != 0) {
                    buffer[input_.Byte() % REPLY_SIZE] ^= input_.Byte() | 1;
                }
                break;
            }
        }
        std::memcpy(lastReply.data(), buffer, REPLY_SIZE);
        return true;
    }

    std::uint8_t expectedCommand = 0;
    std::vector<std::uint8_t> expectedData;  // the request's data bytes
    int writes = 0;
    int reads = 0;
    bool failedCall = false;
    std::array<std::uint8_t, REPLY_SIZE> lastReply{};

  private:
    FuzzInput& input_;
};

void RunCommand(FuzzInput& input, ReplyPlatform& platform, link::ZrHID& reader,
                std::array<std::uint8_t, link::CONFIG_RECORD_SIZE>& record) {
    const std::uint8_t choice = input.Byte() % 7;
    platform.writes = 0;
    platform.reads = 0;
    platform.failedCall = false;
    platform.expectedData.clear();

    const link::ReaderInfo infoBefore = reader.info;
    const auto recordBefore = record;
    std::array<std::uint8_t, 2 + link::UPGRADE_BLOCK_SIZE> payload{};
    bool ackCommand = false;
    std::size_t needed = 0;  // data bytes the command takes from its reply
    int count = -1;          // what WriteConfig returned
    std::int32_t code = -1;  // -1: no error
    try {
        switch (choice) {
            case 0:
                platform.expectedCommand = link::CMD_READ_INFO;
                needed = 6;
                reader.ReadInfo();
                break;
            case 1:
                platform.expectedCommand = link::CMD_READ_CONFIG;
                needed = link::CONFIG_RECORD_SIZE;
                reader.ReadConfig(record);
                break;
            case 2: {
                std::array<std::uint8_t, link::CONFIG_RECORD_SIZE> written;
                input.Bytes(written.data(), written.size());
                platform.expectedCommand = link::CMD_WRITE_CONFIG;
                platform.expectedData.assign(written.begin(), written.end());
                const std::uint32_t crc = ReferenceCrc32(written.data(), written.size());
                for (int shift = 0; shift < 32; shift += 8) {  // least significant byte first
                    platform.expectedData.push_back(static_cast<std::uint8_t>(crc >> shift));
                }
                count = reader.WriteConfig(written);
                break;
            }
            case 3:
                input.Bytes(payload.data(), link::UPGRADE_HEADER_SIZE);
                platform.expectedCommand = link::CMD_UPGRADE_BEGIN;
                platform.expectedData.assign(payload.begin(),
                                             payload.begin() + link::UPGRADE_HEADER_SIZE);
                ackCommand = true;
                reader.UpgradeBegin(payload.data());
                break;
            case 4: {
                const std::uint16_t index = input.Word();
                link::PutLe16(payload.data(), index);
                input.Bytes(&payload[2], link::UPGRADE_BLOCK_SIZE);
                platform.expectedCommand = link::CMD_UPGRADE_BLOCK;
                platform.expectedData.assign(payload.begin(), payload.end());
                ackCommand = true;
                reader.UpgradeBlock(index, &payload[2]);
                break;
            }
            case 5:
                input.Bytes(payload.data(), link::UPGRADE_CODE_SIZE);
                platform.expectedCommand = link::CMD_UPGRADE_CODE;
                platform.expectedData.assign(payload.begin(),
                                             payload.begin() + link::UPGRADE_CODE_SIZE);
                ackCommand = true;
                reader.UpgradeCode(payload.data());
                break;
            default:
                platform.expectedCommand = link::CMD_UPGRADE_END;
                ackCommand = true;
                reader.UpgradeEnd();
                break;
        }
    } catch (const link::ZrHIDErr& error) {
        code = error.code;
    }
    FUZZ_REQUIRE(platform.writes == 1 && platform.reads <= 1);
    const std::uint8_t* reply = platform.lastReply.data();
    const bool framed =
        platform.reads == 1 && !platform.failedCall &&
        WellFramed(reply, link::REPORT_ID_SHORT, platform.expectedCommand | 0x80, 5, 62);
    const std::size_t dataCount = framed ? link::GetLe16(&reply[1]) - 5 : 0;

    if (code != -1) {
        FUZZ_REQUIRE(code >= 1 && code <= 4);
        FUZZ_REQUIRE((code == link::ERR_HID_DRIVER) == platform.failedCall);
        FUZZ_REQUIRE(code != link::ERR_UPGRADE || (ackCommand && framed));
        FUZZ_REQUIRE(code != link::ERR_BAD_REPLY || !framed || dataCount < needed);
        FUZZ_REQUIRE(reader.info.model == infoBefore.model &&
                     reader.info.serial == infoBefore.serial &&
                     reader.info.firmware == infoBefore.firmware);
        FUZZ_REQUIRE(record == recordBefore);
        return;
    }
    FUZZ_REQUIRE(framed);
    if (ackCommand) {
        FUZZ_REQUIRE(dataCount == 1 && reply[4] == 0);
    }
    if (count != -1) {
        FUZZ_REQUIRE(static_cast<std::size_t>(count) == dataCount);
    }
    if (platform.expectedCommand == link::CMD_READ_INFO) {
        FUZZ_REQUIRE(reader.info.model == link::GetLe16(&reply[4]) &&
                     reader.info.serial == link::GetLe16(&reply[6]) &&
                     reader.info.firmware == link::GetLe16(&reply[8]));
    } else {
        FUZZ_REQUIRE(reader.info.model == infoBefore.model &&
                     reader.info.serial == infoBefore.serial &&
                     reader.info.firmware == infoBefore.firmware);
    }
    if (platform.expectedCommand == link::CMD_READ_CONFIG) {
        FUZZ_REQUIRE(std::equal(record.begin(), record.end(), &reply[4]));
    } else {
        FUZZ_REQUIRE(record == recordBefore);
    }
}

}  // namespace
}  // namespace zrt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zrt;
    fuzz::FuzzInput input(data, size);
    fuzz::ReplyPlatform platform(input);
    link::ZrHID reader(platform, link::PRODUCT_ID_51);
    reader.handle = fuzz::HANDLE;
    reader.info = {input.Word(), input.Word(), input.Word()};
    std::array<std::uint8_t, link::CONFIG_RECORD_SIZE> record;
    input.Bytes(record.data(), record.size());
    for (int i = 0; i < 64 && !input.Empty(); ++i) {
        fuzz::RunCommand(input, platform, reader, record);
    }
    return 0;
}
