// The platform seam of the reader link: everything the link asks of the operating system's HID
// support, and nothing more. One implementation per platform (hidraw on Linux, in
// hidraw_platform.*; a Windows one would sit on the HID class and device-installation calls) and an
// in-process virtual one for tests (sim/). No platform type crosses this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zrt::link {

// An open HID interface, opaque to the link. Wide enough for a Windows HANDLE or a POSIX
// descriptor.
using HidHandle = std::intptr_t;
inline constexpr HidHandle INVALID_HANDLE_VALUE = -1;

struct HidIds {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    friend bool operator==(const HidIds&, const HidIds&) = default;
};

// One present HID interface as the system lists it.
struct HidInterface {
    std::string path;  // what Open() takes: "/dev/hidraw3", a Windows device path, ...
    // Identifiers the platform could learn without opening the interface (Linux: sysfs), or none.
    // A search skips an interface whose hint does not match without opening it; a match is still
    // confirmed by GetIds() on the open handle.
    std::optional<HidIds> hint;
};

class HidPlatform {
  public:
    virtual ~HidPlatform() = default;

    // The HID interfaces present now, in the system's order, replacing what `out` held (its storage
    // may be reused). False when the set cannot be had.
    virtual bool ListInterfaces(std::vector<HidInterface>& out) = 0;
    // Opens an interface for synchronous reading and writing, shared with other programs.
    // INVALID_HANDLE_VALUE on failure.
    virtual HidHandle Open(const std::string& path) = 0;
    // Reads the vendor and product identifiers of an open interface. False on failure.
    virtual bool GetIds(HidHandle handle, HidIds& ids) = 0;
    // Sends `length` bytes as the feature report whose ID is buffer[0]. False on failure.
    virtual bool SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) = 0;
    // Reads the feature report whose ID is buffer[0] into buffer[0..length). False on failure.
    virtual bool GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) = 0;
    virtual void Close(HidHandle handle) = 0;
};

}  // namespace zrt::link
