// The platform seam of the reader link: everything the link asks of the operating system's HID
// support, and nothing more. One implementation per platform (hidraw on Linux, in
// linux/hidraw_platform.*; the HID class and device-installation calls on Windows, in
// windows/win_hid_platform.*) and an in-process virtual one for tests (sim/). No platform type
// crosses this interface, and the header compiles with <windows.h> included.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/hid_changes.hpp"

namespace zrt::link {

// An open HID interface, opaque to the link. Wide enough for a Windows HANDLE or a POSIX
// descriptor. (Not named INVALID_HANDLE_VALUE: that is a macro of <windows.h>.)
using HidHandle = std::intptr_t;
inline constexpr HidHandle INVALID_HID_HANDLE = -1;

struct HidIds {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    friend bool operator==(const HidIds&, const HidIds&) = default;
};

// One present HID interface as the system lists it. Every interface index the system examined is
// one entry, in the system's order, also one whose query failed: such an entry has an empty path
// (it cannot be opened) and still counts toward the 64 indices a search examines.
struct HidInterface {
    std::string path;  // what Open() takes: "/dev/hidraw3", a Windows device path; empty: failed
    // Identifiers the platform could learn without opening the interface (Linux: sysfs), or none.
    // A search skips an interface whose hint does not match without opening it; a match is still
    // confirmed by GetIds() on the open handle.
    std::optional<HidIds> hint;
};

// Why an Open failed.
enum class OpenError {
    None,      // it did not fail
    NoAccess,  // the system refused this user access (Linux: no udev rule for the reader)
    InUse,     // another program holds the interface exclusively
    Gone,      // the interface is no longer there (unplugged since the listing)
    NotReady,  // refused, but the node was just created and the system has yet to set its access
    Other,
    SystemHeld,  // the system keeps the interface for itself (Windows: a reader's keyboard
                 // collection): not a reader this user lacks access to, so never reported as one
};

// What a Lock call got.
enum class LockResult {
    Locked,  // this handle holds the interface's lock
    Busy,    // another holder kept it for the whole wait
    Failed,  // the lock could not be asked for (a bad or dead handle)
};

// Feature report lengths, for every backend: `length` counts the report ID in buffer[0] and is the
// report's length as the reader declares it (63 for report 0x41, 575 for 0x49). A backend whose
// system wants another buffer length (Windows: the collection's FeatureReportByteLength) pads a
// report it sends with zeros and reads into a buffer of the system's length, handing the caller
// exactly `length` bytes.
class HidPlatform {
  public:
    virtual ~HidPlatform() = default;

    // The HID interfaces present now, in the system's order, replacing what `out` held (its storage
    // may be reused). False when the set cannot be had. A failure in the middle of the listing that
    // leaves nothing more to examine ends it with what it has (true).
    virtual bool ListInterfaces(std::vector<HidInterface>& out) = 0;
    // Opens an interface for synchronous reading and writing, shared with other programs.
    // INVALID_HID_HANDLE on failure, with `why` telling the reason.
    virtual HidHandle Open(const std::string& path, OpenError& why) = 0;
    HidHandle Open(const std::string& path) {
        OpenError ignored = OpenError::None;
        return Open(path, ignored);
    }
    // Reads the vendor and product identifiers of an open interface. False on failure.
    virtual bool GetIds(HidHandle handle, HidIds& ids) = 0;
    // Sends `length` bytes as the feature report whose ID is buffer[0]. False on failure.
    virtual bool SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) = 0;
    // Reads the feature report whose ID is buffer[0] into buffer[0..length). False on failure.
    virtual bool GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) = 0;
    // Closes the handle; a lock it held goes with it.
    virtual void Close(HidHandle handle) = 0;

    // The exclusive lock of an open interface, shared by every program on the machine (Linux: flock
    // on the descriptor; Windows: a named mutex derived from the device path), so that one
    // program's request and reply are never interleaved with another's. Waits up to `wait` (zero:
    // a single try) while another holder keeps it. A lock that a dead process left behind is free.
    // Locking a handle that already holds the lock succeeds at once; one Unlock releases it.
    virtual LockResult Lock(HidHandle handle, std::chrono::milliseconds wait) = 0;
    virtual void Unlock(HidHandle handle) = 0;

    // The system's notifications of changes to its HID interfaces, or none where it gives none
    // (then a poll must search on every tick). Owned by the platform.
    virtual HidChanges* Changes() { return nullptr; }
};

}  // namespace zrt::link
