// The umockdev test bed: presents virtual readers, and other people's HID interfaces, to the real
// hidraw backend as /sys/class/hidraw/hidrawN (below a parent hid device whose uevent carries
// HID_ID, HID_NAME, HID_PHYS and HID_UNIQ) and /dev/hidrawN, answering the hidraw ioctls from the
// virtual reader (a reader also describes its reports, HIDIOCGRDESCSIZE / HIDIOCGRDESC, so that
// wine's winebus presents it to Windows programs run in the bed). Used by the tests
// of the hidraw backend and by the demo launcher.
//
// The process that talks to the nodes must run with libumockdev-preload.so.0 preloaded (see
// RunUnderUmockdevPreload). The bed may live in that same process (tests) or in a parent that
// starts it (the demo): umockdev answers the ioctls on a worker thread of the process that made the
// bed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::sim {

// Makes sure the running program has the umockdev preload library loaded: when it has not, runs the
// program again (same executable, same arguments) with LD_PRELOAD=libumockdev-preload.so.0
// prepended; that call does not return. Returns true when the preload is loaded, false (with a
// message on standard error) when it cannot be arranged.
bool RunUnderUmockdevPreload(char** argv);

// How a device misbehaves on purpose.
enum class BedFault {
    None,
    IoError,    // every ioctl fails with EIO, as with a device that stopped answering
    ShortRead,  // HIDIOCGFEATURE delivers the report ID and the reply's frame only, fewer
                // bytes than asked for, and leaves the rest of the caller's buffer untouched
};

class UmockdevBed {
  public:
    // Creates the umockdev test bed (and sets UMOCKDEV_DIR in this process's environment). Throws
    // std::runtime_error when umockdev cannot mock this process. One bed at a time per process.
    UmockdevBed();
    // Every handle that a client opened on the bed's nodes must be closed before the bed goes.
    ~UmockdevBed();
    UmockdevBed(const UmockdevBed&) = delete;
    UmockdevBed& operator=(const UmockdevBed&) = delete;

    // Plugs `reader` in as hidraw<number>; the bed keeps it. Its identifiers are the reader's.
    void AddReader(unsigned number, VirtualReader reader);
    // Plugs in someone else's HID interface as hidraw<number>. A search must never open it; if it
    // is opened anyway it identifies itself with these identifiers and has no feature reports.
    void AddForeign(unsigned number, std::uint16_t vendorId, std::uint16_t productId);

    // Removes hidraw<number> (sysfs entry and node); handles opened before stay dead: every ioctl
    // on them fails with ENODEV, as the kernel does after a disconnect, also after Plug. An open
    // of the missing node fails and leaves nothing behind in the client.
    void Unplug(unsigned number);
    // Adds an unplugged device again under the same number, with the same reader state.
    void Plug(unsigned number);
    // hidraw<number> is pulled out as its reader is sent a request of `command`, once: that
    // request and every later ioctl on any handle fail with ENODEV, as for a reader pulled out in
    // the middle of a command, until the test unplugs the device (Unplug) and plugs it in again.
    void PullOutOn(unsigned number, std::uint8_t command);
    // Plugs an unplugged hidraw<number> in as a real system does before its user may open it: the
    // kernel makes the node for root alone (mode 000), and udev, applying its rules, touches the
    // node's timestamps, an attribute change that gives nobody access yet. udev's uaccess step,
    // which gives the seat's user access some hundred milliseconds later, is GiveAccess; without
    // it (no rule for the reader) the node stays refused to everyone but root.
    void PlugForRootAlone(unsigned number);
    // udev's uaccess step: hidraw<number>'s node is given to its user (a mode change).
    void GiveAccess(unsigned number);
    bool IsPlugged(unsigned number) const;
    void SetFault(unsigned number, BedFault fault);

    // Opens of hidraw<number> that umockdev has reported so far. Reported asynchronously: an open
    // made just before may not be counted yet.
    unsigned Opens(unsigned number) const;
    // Handles of hidraw<number> that were closed again (by close() or by the end of the process
    // that held them) and that umockdev has reported so far; asynchronous like Opens.
    unsigned Closes(unsigned number) const;
    // Ioctls answered on hidraw<number>. Exact: the caller waits for the answer of each.
    unsigned Ioctls(unsigned number) const;
    // Of those, the feature-report requests (HIDIOCSFEATURE, HIDIOCGFEATURE).
    unsigned FeatureCalls(unsigned number) const;

    // Waits until `condition` holds, checking it at once and again after every open, close and
    // ioctl the bed handles; false when `timeout` passed first. For a client in another process or
    // thread. `condition` runs without the bed's lock, so it may ask the bed.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

    // Runs `action` on the reader of hidraw<number> under the bed's lock (umockdev calls the bed
    // from its own thread). Throws std::out_of_range when hidraw<number> is not a reader.
    void WithReader(unsigned number, const std::function<void(VirtualReader&)>& action);
    // A copy of the reader's request log.
    std::vector<Request> Log(unsigned number);

    // Called for every request a reader receives, on umockdev's thread, with the bed's lock held
    // (do not call back into the bed).
    using RequestObserver = std::function<void(unsigned number, const Request& request)>;
    void SetRequestObserver(RequestObserver observer);

    // The node of a reader as the hidraw backend opens it: /dev/hidraw<number>, which the preload
    // maps to the bed.
    static std::string NodePath(unsigned number);
    // The bed's folder (UMOCKDEV_DIR for a child process).
    std::string RootDir() const;

    struct Device;  // one hidraw<number>, plugged or not

  private:
    struct Testbed;
    struct Callbacks;  // umockdev's signal handlers
    friend struct Callbacks;
    void AddDevice(unsigned number, std::unique_ptr<Device> device);
    void Publish(Device& device, bool unparkSocket = false, bool rootAlone = false);
    void ParkSocket(Device& device, bool park);
    Device& Find(unsigned number) const;

    std::unique_ptr<Testbed> testbed_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;  // notified after every event counted in events_
    unsigned long events_ = 0;
    std::map<unsigned, std::unique_ptr<Device>> devices_;
    RequestObserver observer_;
};

}  // namespace zrt::sim
