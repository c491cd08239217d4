// A reader object: one reader reached through a borrowed HID handle, the frame layer that every
// exchange with it goes through (Transact, TransactAck) and its seven commands.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "link/hid_platform.hpp"
#include "link/link_error.hpp"

namespace zrt::link {

inline constexpr std::uint16_t VENDOR_ID = 0x13AB;    // 5035
inline constexpr std::uint16_t PRODUCT_ID_41 = 0x41;  // 65, searched first
inline constexpr std::uint16_t PRODUCT_ID_51 = 0x51;  // 81

inline constexpr std::uint8_t REPORT_ID_SHORT = 0x41;  // "A": 63-byte report, every reply
inline constexpr std::uint8_t REPORT_ID_LONG = 0x49;   // "I": 575-byte report
inline constexpr std::size_t SHORT_REPORT_SIZE = 63;
inline constexpr std::size_t LONG_REPORT_SIZE = 575;
inline constexpr std::size_t WORK_BUFFER_SIZE = 576;
inline constexpr std::size_t MAX_REPLY_DATA = 57;  // most data bytes a short frame carries

inline constexpr std::uint8_t CMD_READ_INFO = 'M';
inline constexpr std::uint8_t CMD_READ_CONFIG = 'c';
inline constexpr std::uint8_t CMD_WRITE_CONFIG = 'C';
inline constexpr std::uint8_t CMD_UPGRADE_BEGIN = 'Z';
inline constexpr std::uint8_t CMD_UPGRADE_BLOCK = 'Y';
inline constexpr std::uint8_t CMD_UPGRADE_CODE = 'y';
inline constexpr std::uint8_t CMD_UPGRADE_END = 'z';

inline constexpr std::size_t CONFIG_RECORD_SIZE = 16;
inline constexpr std::size_t UPGRADE_HEADER_SIZE = 16;
inline constexpr std::size_t UPGRADE_BLOCK_SIZE = 520;
inline constexpr std::size_t UPGRADE_CODE_SIZE = 8;

// The identity a reader reports to "M".
struct ReaderInfo {
    std::uint16_t model = 0;
    std::uint16_t serial = 0;
    std::uint16_t firmware = 0;
};

class ZrHID {
  public:
    ZrHID(HidPlatform& platform, std::uint16_t productId)
        : productId(productId), platform_(&platform) {}

    // Borrowed from slot 0 of a reader list, never closed here.
    HidHandle handle = INVALID_HANDLE_VALUE;
    ReaderInfo info{};
    const std::uint16_t productId;

    // Feature-report calls; a platform failure raises ERR_HID_DRIVER.
    void WriteReport(const std::uint8_t* buffer, std::uint16_t length);
    void ReadReport(std::uint8_t* buffer, std::uint16_t length);

    // One request frame out, one reply frame back. Returns the reply's data count (R - 5) and
    // copies `replyLength` bytes from the reply's data offset, whatever the reply's length says.
    int Transact(std::uint8_t command, const void* sendData, std::uint16_t sendLength,
                 void* replyData, std::uint16_t replyLength);
    // A transaction whose reply must be exactly one data byte of value 0 (else ERR_UPGRADE).
    void TransactAck(std::uint8_t command, const void* sendData, std::uint16_t sendLength);

    // The seven commands. On failure each raises ZrHIDErr and leaves `info` / the caller's buffer
    // as it was. "M" and "c" also refuse (ERR_BAD_REPLY) a reply with fewer than 6 / 16 data bytes.
    void ReadInfo();                                                              // "M"
    void ReadConfig(std::array<std::uint8_t, CONFIG_RECORD_SIZE>& config);        // "c"
    int WriteConfig(const std::array<std::uint8_t, CONFIG_RECORD_SIZE>& config);  // "C"
    void UpgradeBegin(const std::uint8_t* header);                                // "Z", 16 bytes
    void UpgradeBlock(std::uint16_t index, const std::uint8_t* block);            // "Y", 520 bytes
    void UpgradeCode(const std::uint8_t* code);                                   // "y", 8 bytes
    void UpgradeEnd();                                                            // "z"

  private:
    HidPlatform* platform_;
};

}  // namespace zrt::link
