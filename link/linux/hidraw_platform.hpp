// The Linux backend of the HID platform seam: the kernel's hidraw interfaces, listed from sysfs and
// driven with the hidraw ioctls (HIDIOCGRAWINFO, HIDIOCSFEATURE, HIDIOCGFEATURE).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"

namespace zrt::link {

// The changes of the hidraw nodes in the device root, from inotify (created, deleted, attributes
// changed; other names ignored; a queue that overflowed counts as a change, events having been
// lost). The kernel creates a node for root alone, and udev then gives it its access in several
// steps: owner, mode and security label, a touch of its timestamps (attribute changes that give
// this user nothing yet), and only some milliseconds later the seat's user's ACL (uaccess). No
// attribute change says that access is settled, so a node is settling for NODE_SETTLE_TIME after
// its creation, whatever its attribute changes: a refusal to open it meanwhile is not yet the
// user's lack of access, and TakeChanged() stays true so that every tick searches until it is
// settled (the node opens as soon as udev is done, or is refused for good).
class HidrawWatch final : public HidChanges {
  public:
    static constexpr std::chrono::milliseconds NODE_SETTLE_TIME{2000};

    // Watches `deviceRoot`; Valid() is false when inotify cannot watch it.
    HidrawWatch(const std::string& deviceRoot, SteadyNow now);
    ~HidrawWatch() override;
    HidrawWatch(const HidrawWatch&) = delete;
    HidrawWatch& operator=(const HidrawWatch&) = delete;

    bool Valid() const { return fd_ >= 0; }
    bool TakeChanged() override;
    int Descriptor() const override { return fd_; }
    void Watched() override { watched_ = true; }
    void WatchRefused() override { refused_ = true; }
    void Arrived() override { Drain(); }
    // Whether the node at <device root>/<name> was created less than NODE_SETTLE_TIME ago.
    bool Settling(const std::string& name);

  private:
    void Drain();  // reads the events that arrived
    void Expire();

    int fd_ = -1;
    SteadyNow now_;
    bool watched_ = false;  // an event loop calls Arrived(): TakeChanged need not read
    bool refused_ = false;
    bool changed_ = false;
    std::map<std::string, std::chrono::steady_clock::time_point> settling_;  // name: created at
};

// Interfaces are the entries hidrawN of the sysfs class folder (N as the kernel writes it, without
// leading zeros), in numeric order (hidraw2 before hidraw10); each is opened as <device
// root>/hidrawN, read-write and shared with other programs. A handle is the open file descriptor.
//
// The search runs ten times a second while no reader is attached, and opening other people's HID
// devices that often can wake them from power saving. So every listed interface carries a hint
// taken from sysfs without opening anything: the HID_ID line (bus:vendor:product in hexadecimal)
// of <sysfs root>/hidrawN/device/uevent. An interface whose uevent cannot be read, or whose line is
// missing or malformed, gets no hint (and the search opens it to ask).
//
// Feature reports: the report ID is the buffer's first byte. A send counts as done only when the
// kernel took all `length` bytes. A read may bring fewer bytes than asked for (a device answering
// with just its frame; Windows pads such an answer): the bytes past the answer are set to zero, so
// that whatever the caller's buffer held before, typically the request just sent, never passes for
// part of a reply, and the frame checks decide. Every failure (open, ioctl, a short send, a bad
// argument) is reported as false / INVALID_HID_HANDLE; nothing here throws.
//
// The hint of an entry is kept while the entry's sysfs link leads to the same device, so a listing
// reads a uevent file only for an interface it has not seen before (or one without a hint). It
// allocates nothing once the caller's vector and this object's lists have grown to the number of
// interfaces, but for the remembered link of a new interface (paths of up to 15 characters fit a
// string's own storage).
// Changes(): a HidrawWatch on the device root, set up at the first call (none when inotify
// fails). Once it exists, a refused open (EACCES/EPERM) of a node that is still settling is
// NotReady, not NoAccess.
// Not thread-safe: one object serves one thread, like the rest of the link.
class HidrawPlatform final : public HidPlatform {
  public:
    // How a node is opened: open(2)'s signature without the mode, -1 with errno on failure. Tests
    // give one that fails as the system would for another user.
    using OpenCall = int (*)(const char* path, int flags);
    static int SystemOpen(const char* path, int flags);

    explicit HidrawPlatform(std::string sysfsRoot = "/sys/class/hidraw",
                            std::string deviceRoot = "/dev", OpenCall openCall = &SystemOpen);

    // True with an empty list when the sysfs class folder does not exist (no hidraw support
    // loaded, hence no interfaces); false when it exists but cannot be read.
    bool ListInterfaces(std::vector<HidInterface>& out) override;
    using HidPlatform::Open;
    // Why: EACCES/EPERM no access, EBUSY in use, ENOENT/ENODEV/ENXIO gone, anything else other.
    HidHandle Open(const std::string& path, OpenError& why) override;
    bool GetIds(HidHandle handle, HidIds& ids) override;
    bool SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) override;
    bool GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) override;
    void Close(HidHandle handle) override;
    // flock(LOCK_EX | LOCK_NB) on the descriptor, tried again every few milliseconds while the
    // wait lasts. The lock belongs to the open file, so the kernel drops it when the holder dies;
    // two descriptors of one node exclude each other even within one process.
    LockResult Lock(HidHandle handle, std::chrono::milliseconds wait) override;
    void Unlock(HidHandle handle) override;
    HidChanges* Changes() override;
    // The clock of the node settling; before the first Changes().
    void SetClock(SteadyNow now) { now_ = std::move(now); }

    // The largest report the ioctls can carry (the size field of an ioctl request has 14 bits).
    static constexpr std::size_t MAX_REPORT_LENGTH = (1u << 14) - 1;

  private:
    struct CachedHint {
        unsigned number;
        std::string target;  // where the sysfs entry led when the hint was read
        HidIds ids;
    };
    std::optional<HidIds> LookUpHint(int dir, unsigned number);

    std::string sysfsRoot_;
    std::string deviceRoot_;
    OpenCall open_;
    std::vector<unsigned> numbers_;  // scratch: the N of every hidrawN entry, kept between calls
    std::vector<CachedHint> hints_;  // by number: the hints of the last listing
    std::vector<CachedHint> previousHints_;
    SteadyNow now_ = [] { return std::chrono::steady_clock::now(); };
    bool watchTried_ = false;
    std::unique_ptr<HidrawWatch> watch_;
};

// Reads the vendor and product of a HID_ID line ("HID_ID=0003:000013AB:00000041") among the lines
// of a uevent file. False when there is no such line or it is malformed, or an identifier does not
// fit in 16 bits.
bool ParseHidIdLine(const char* text, std::size_t length, HidIds& ids);

}  // namespace zrt::link
