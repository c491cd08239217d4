// A reader object: one reader reached through a borrowed HID handle, the frame layer that every
// exchange with it goes through (Transact, TransactAck) and its seven commands.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

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

// How long a transaction, or a sequence that holds the reader throughout, waits for another
// program to let go of the reader before it fails with ERR_IN_USE.
inline constexpr std::chrono::milliseconds LOCK_WAIT{5000};
// With a lock wait hook, how long the hook passes between two tries of the lock.
inline constexpr std::chrono::milliseconds LOCK_RETRY{20};

// Passes the time between two tries of a reader's lock that another program holds: returns after
// at least the time given, having done meanwhile what the program must go on doing (a window keeps
// itself painted). Called on the thread that waits for the lock.
using LockWaitHook = std::function<void(std::chrono::milliseconds)>;

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
    HidHandle handle = INVALID_HID_HANDLE;
    ReaderInfo info{};
    const std::uint16_t productId;
    // The wait for the reader's lock (LOCK_WAIT; shorter in tests).
    std::chrono::milliseconds lockWait = LOCK_WAIT;
    // When set, a wait for the lock tries it every LOCK_RETRY and passes the time between the
    // tries here; without, the platform waits for it in one call.
    LockWaitHook lockWaitHook;

    // Feature-report calls; a platform failure raises ERR_HID_DRIVER.
    void WriteReport(const std::uint8_t* buffer, std::uint16_t length);
    void ReadReport(std::uint8_t* buffer, std::uint16_t length);

    // One request frame out, one reply frame back, under the reader's lock from the send to the
    // read (ERR_IN_USE when another program keeps it for lockWait). Returns the reply's data count
    // (R - 5) and copies `replyLength` bytes from the reply's data offset, whatever the reply's
    // length says.
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
    friend class ReaderLock;
    HidPlatform* platform_;
    int lockDepth_ = 0;  // ReaderLocks alive on this object
};

// Holds a reader's lock, shared with every other program on the machine, for its own lifetime: a
// transaction takes one, and so does a sequence that must not be interleaved with another
// program's requests (the firmware upload from "Z" to "z"). Re-entrant: a lock taken while the
// same reader object already holds one only counts, so the transactions of a sequence run under
// the sequence's lock.
class ReaderLock {
  public:
    enum class Mode {
        Wait,  // waits up to the reader's lockWait (through its lockWaitHook when it has one),
               // then raises ERR_IN_USE
        Try,   // a single try; Held() tells whether it was had
    };
    // Raises ERR_NOT_FOUND for a reader object without a handle and ERR_HID_DRIVER when the lock
    // cannot be asked for.
    explicit ReaderLock(ZrHID& reader, Mode mode = Mode::Wait);
    ~ReaderLock();
    ReaderLock(const ReaderLock&) = delete;
    ReaderLock& operator=(const ReaderLock&) = delete;

    bool Held() const { return held_; }

  private:
    LockResult Take(Mode mode);

    ZrHID& reader_;
    HidHandle handle_;
    bool held_ = false;
};

}  // namespace zrt::link
