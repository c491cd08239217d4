// Link errors: the one error type that every operation of the reader link raises, and its codes
// (worded for users in texts/).
#pragma once

#include <cstdint>

namespace zrt::link {

inline constexpr std::int32_t ERR_PROGRAM = 0;  // request cannot be framed; list slot out of range
inline constexpr std::int32_t ERR_HID_DRIVER = 1;  // a feature-report call of the platform failed
inline constexpr std::int32_t ERR_NOT_FOUND = 2;   // command on a reader object no search filled
inline constexpr std::int32_t ERR_BAD_REPLY = 3;   // the reply frame failed a check
inline constexpr std::int32_t ERR_UPGRADE = 4;     // no single zero acknowledgement byte
inline constexpr std::int32_t ERR_IN_USE = 5;      // another program kept the reader's lock 5 s

// Raised by value, caught by type. Deliberately not a std::exception: errors of the general kind
// go to the toolkit's error display, link errors never do.
struct ZrHIDErr {
    std::int32_t code;
};

}  // namespace zrt::link
