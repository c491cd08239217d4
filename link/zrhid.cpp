// The frame layer of a reader object (one request frame out as a feature report, one reply frame
// back, both checked) and the seven reader commands built on it. Nothing here allocates: every
// transaction works in one 576-byte buffer on its own stack.
#include "link/zrhid.hpp"

#include <algorithm>
#include <cstring>

#include "link/crc.hpp"
#include "link/le16.hpp"

namespace zrt::link {

namespace {

constexpr std::uint32_t FRAME_OVERHEAD = 5;     // length field, command, CRC-16
constexpr std::uint32_t MAX_SHORT_LENGTH = 62;  // report 0x41 holds report ID + 62 bytes
constexpr std::uint32_t MIN_LONG_LENGTH = 511;  // the long report is used only from here on
constexpr std::uint32_t MAX_LONG_LENGTH = 574;  // report 0x49 holds report ID + 574 bytes

[[noreturn]] void Raise(std::int32_t code) {
    throw ZrHIDErr{code};
}

}  // namespace

ReaderLock::ReaderLock(ZrHID& reader, Mode mode) : reader_(reader), handle_(reader.handle) {
    if (handle_ == INVALID_HID_HANDLE) {
        Raise(ERR_NOT_FOUND);
    }
    if (reader_.lockDepth_ == 0) {
        switch (Take(mode)) {
            case LockResult::Locked:
                break;
            case LockResult::Busy:
                if (mode == Mode::Try) {
                    return;  // not held
                }
                Raise(ERR_IN_USE);
            case LockResult::Failed:
                Raise(ERR_HID_DRIVER);
        }
    }
    ++reader_.lockDepth_;
    held_ = true;
}

LockResult ReaderLock::Take(Mode mode) {
    HidPlatform& platform = *reader_.platform_;
    if (mode == Mode::Try) {
        return platform.Lock(handle_, std::chrono::milliseconds{0});
    }
    if (!reader_.lockWaitHook) {
        return platform.Lock(handle_, reader_.lockWait);
    }
    // Single tries, with the hook's waits between them, until their sum reaches lockWait.
    std::chrono::milliseconds waited{0};
    for (;;) {
        const LockResult result = platform.Lock(handle_, std::chrono::milliseconds{0});
        if (result != LockResult::Busy || waited >= reader_.lockWait) {
            return result;
        }
        const auto step = std::min(LOCK_RETRY, reader_.lockWait - waited);
        reader_.lockWaitHook(step);
        waited += step;
    }
}

ReaderLock::~ReaderLock() {
    if (held_ && --reader_.lockDepth_ == 0) {
        reader_.platform_->Unlock(handle_);
    }
}

void ZrHID::WriteReport(const std::uint8_t* buffer, std::uint16_t length) {
    if (!platform_->SetFeature(handle, buffer, length)) {
        Raise(ERR_HID_DRIVER);
    }
}

void ZrHID::ReadReport(std::uint8_t* buffer, std::uint16_t length) {
    if (!platform_->GetFeature(handle, buffer, length)) {
        Raise(ERR_HID_DRIVER);
    }
}

int ZrHID::Transact(std::uint8_t command, const void* sendData, std::uint16_t sendLength,
                    void* replyData, std::uint16_t replyLength) {
    std::array<std::uint8_t, WORK_BUFFER_SIZE> buffer{};
    const std::uint32_t length = std::uint32_t{sendLength} + FRAME_OVERHEAD;  // does not wrap
    const bool longFrame = length > MAX_SHORT_LENGTH;

    if (handle == INVALID_HID_HANDLE) {
        Raise(ERR_NOT_FOUND);
    }
    if ((longFrame && length < MIN_LONG_LENGTH) || length > MAX_LONG_LENGTH) {
        Raise(ERR_PROGRAM);
    }
    // A caller asking for more than a reply can carry, or passing no buffer for bytes it announces,
    // is a programming error too: refused before anything is sent, never a read or write outside a
    // buffer.
    if (replyLength > MAX_REPLY_DATA || (sendLength > 0 && sendData == nullptr) ||
        (replyLength > 0 && replyData == nullptr)) {
        Raise(ERR_PROGRAM);
    }

    buffer[0] = longFrame ? REPORT_ID_LONG : REPORT_ID_SHORT;
    PutLe16(&buffer[1], length);
    buffer[3] = command;
    if (sendLength > 0) {
        std::memcpy(&buffer[4], sendData, sendLength);
    }
    PutLe16(&buffer[length - 1], Crc16(&buffer[1], length - 2, 0xFFFF));

    const ReaderLock lock(*this);
    WriteReport(buffer.data(), longFrame ? LONG_REPORT_SIZE : SHORT_REPORT_SIZE);

    buffer[0] = REPORT_ID_SHORT;  // the reply overwrites the first 63 bytes only
    ReadReport(buffer.data(), SHORT_REPORT_SIZE);

    const std::uint32_t replyFrameLength = GetLe16(&buffer[1]);
    if (buffer[0] != REPORT_ID_SHORT || buffer[3] != (command | 0x80) ||
        replyFrameLength < FRAME_OVERHEAD || replyFrameLength > MAX_SHORT_LENGTH ||
        Crc16(&buffer[1], replyFrameLength, 0xFFFF) != 0) {
        Raise(ERR_BAD_REPLY);
    }

    if (replyLength > 0) {
        std::memcpy(replyData, &buffer[4], replyLength);
    }
    return static_cast<int>(replyFrameLength - FRAME_OVERHEAD);
}

void ZrHID::TransactAck(std::uint8_t command, const void* sendData, std::uint16_t sendLength) {
    std::uint8_t ack = 0;
    if (Transact(command, sendData, sendLength, &ack, 1) != 1 || ack != 0) {
        Raise(ERR_UPGRADE);
    }
}

// "M" and "c" take their data from the reply's data area whatever the reply's length says (as
// Transact does); a reply carrying fewer bytes than the command needs would hand over its own CRC
// and fill bytes as identity or record, so it is a malformed reply and changes nothing.
void ZrHID::ReadInfo() {
    std::uint8_t reply[6];
    if (Transact(CMD_READ_INFO, nullptr, 0, reply, sizeof reply) < static_cast<int>(sizeof reply)) {
        Raise(ERR_BAD_REPLY);
    }
    info = ReaderInfo{GetLe16(&reply[0]), GetLe16(&reply[2]), GetLe16(&reply[4])};
}

void ZrHID::ReadConfig(std::array<std::uint8_t, CONFIG_RECORD_SIZE>& config) {
    std::array<std::uint8_t, CONFIG_RECORD_SIZE> reply;
    if (Transact(CMD_READ_CONFIG, nullptr, 0, reply.data(), CONFIG_RECORD_SIZE) <
        static_cast<int>(CONFIG_RECORD_SIZE)) {
        Raise(ERR_BAD_REPLY);
    }
    config = reply;
}

int ZrHID::WriteConfig(const std::array<std::uint8_t, CONFIG_RECORD_SIZE>& config) {
    std::uint8_t request[CONFIG_RECORD_SIZE + 4];
    std::memcpy(request, config.data(), CONFIG_RECORD_SIZE);
    const std::uint32_t crc = Crc32(config.data(), CONFIG_RECORD_SIZE, 0xFFFFFFFFu);
    PutLe16(&request[CONFIG_RECORD_SIZE], crc & 0xFFFFu);
    PutLe16(&request[CONFIG_RECORD_SIZE + 2], crc >> 16);
    return Transact(CMD_WRITE_CONFIG, request, sizeof request, nullptr, 0);
}

void ZrHID::UpgradeBegin(const std::uint8_t* header) {
    TransactAck(CMD_UPGRADE_BEGIN, header, UPGRADE_HEADER_SIZE);
}

void ZrHID::UpgradeBlock(std::uint16_t index, const std::uint8_t* block) {
    if (block == nullptr) {  // refused by Transact: code 2 without a handle, else code 0
        TransactAck(CMD_UPGRADE_BLOCK, nullptr, 2 + UPGRADE_BLOCK_SIZE);
    }
    std::uint8_t request[2 + UPGRADE_BLOCK_SIZE];
    PutLe16(request, index);
    std::memcpy(&request[2], block, UPGRADE_BLOCK_SIZE);
    TransactAck(CMD_UPGRADE_BLOCK, request, sizeof request);
}

void ZrHID::UpgradeCode(const std::uint8_t* code) {
    TransactAck(CMD_UPGRADE_CODE, code, UPGRADE_CODE_SIZE);
}

void ZrHID::UpgradeEnd() {
    TransactAck(CMD_UPGRADE_END, nullptr, 0);
}

}  // namespace zrt::link
