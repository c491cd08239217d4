// The in-process virtual HID platform for tests and benchmarks: an ordered set of HID interfaces,
// each either a virtual reader (held by reference, so the test keeps control of it) or a foreign
// device known only by its identifiers. It records every open and close so that tests can check
// which interfaces were opened, that every handle is closed, and in which order. Each interface has
// the exclusive lock of the seam, held by at most one handle; a test plays another program by
// opening a second handle and locking it. Adding, plugging or unplugging an interface is signalled
// as a change of the system's HID interfaces (Changes()).
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::sim {

class VirtualPlatform : public link::HidPlatform {
  public:
    using InterfaceId = std::size_t;  // position in the order of adding, from 0

    struct Options {
        bool openable = true;  // false: Open fails, as when another program holds the interface
        link::OpenError refusal = link::OpenError::InUse;  // why, when not openable
        bool hinted = true;       // the listing carries the interface's identifiers as a hint
        bool queryFails = false;  // the system cannot tell its path: listed as an entry that
                                  // cannot be opened
        bool identifiable = true;  // false: GetIds fails on its handles (a device just arrived)
    };

    // Interfaces are listed in the order they were added (unplugged ones left out).
    InterfaceId AddReader(VirtualReader& reader, Options options);
    InterfaceId AddReader(VirtualReader& reader) { return AddReader(reader, Options{}); }
    InterfaceId AddForeign(link::HidIds ids, Options options);
    InterfaceId AddForeign(link::HidIds ids) { return AddForeign(ids, Options{}); }

    // Unplugged: no longer listed, cannot be opened, and every call on its open handles but Close
    // fails. Plug brings it back (its old handles stay dead).
    void Unplug(InterfaceId id);
    void Plug(InterfaceId id);
    // The interface is pulled out as its reader is sent a request of `command`, once: that
    // request fails unreceived and the interface is unplugged (Unplug), as a reader pulled out
    // in the middle of a command.
    void PullOutOn(InterfaceId id, std::uint8_t command) { interfaces_.at(id).pullOutOn = command; }
    // Whether Open succeeds from now on, as when another program takes the interface for itself
    // or lets it go: no change of the system's HID interfaces is signalled.
    void SetOpenable(InterfaceId id, bool openable) {
        interfaces_.at(id).options.openable = openable;
    }
    // ListInterfaces fails while set: the set of interfaces cannot be had.
    bool listFails = false;

    // link::HidPlatform
    bool ListInterfaces(std::vector<link::HidInterface>& out) override;
    using link::HidPlatform::Open;
    // Why: Gone when unplugged (or unknown), the interface's refusal when not openable.
    link::HidHandle Open(const std::string& path, link::OpenError& why) override;
    bool GetIds(link::HidHandle handle, link::HidIds& ids) override;
    bool SetFeature(link::HidHandle handle, const std::uint8_t* buffer,
                    std::size_t length) override;
    bool GetFeature(link::HidHandle handle, std::uint8_t* buffer, std::size_t length) override;
    void Close(link::HidHandle handle) override;
    // Busy at once when another handle holds the interface's lock (nobody else runs in this
    // process to let go during a wait); Failed on a handle that is not open or is dead.
    link::LockResult Lock(link::HidHandle handle, std::chrono::milliseconds wait) override;
    void Unlock(link::HidHandle handle) override;
    link::HidChangeFlag* Changes() override { return &changes_; }

    // What happened.
    int ListCalls() const { return listCalls_; }  // ListInterfaces calls, failed ones included
    std::string PathOf(InterfaceId id) const { return interfaces_.at(id).path; }
    // Open attempts on an interface, successful or not.
    int OpenCount(InterfaceId id) const { return interfaces_.at(id).opens; }
    int ForeignOpenCount() const;  // open attempts on every foreign interface together
    std::size_t OpenHandleCount() const { return open_.size(); }
    bool IsOpen(link::HidHandle handle) const { return open_.contains(handle); }
    // The interface a handle was opened on (any handle this platform ever gave out).
    InterfaceId InterfaceOf(link::HidHandle handle) const { return opened_.at(handle); }
    // Every handle closed, in the order of closing.
    const std::vector<link::HidHandle>& Closed() const { return closed_; }
    // The interfaces of Closed(), in the same order.
    std::vector<InterfaceId> ClosedInterfaces() const;
    // The handle holding an interface's lock, or INVALID_HID_HANDLE.
    link::HidHandle LockHolder(InterfaceId id) const { return interfaces_.at(id).lockHolder; }
    // The waits of every Lock call, in order.
    const std::vector<std::chrono::milliseconds>& LockWaits() const { return lockWaits_; }
    // Closes of handles that were not open (never given out, or closed already).
    int BadCloses() const { return badCloses_; }

  private:
    struct Interface {
        std::string path;
        link::HidIds ids;
        VirtualReader* reader = nullptr;  // none: a foreign device
        Options options;
        bool present = true;
        int opens = 0;
        link::HidHandle lockHolder = link::INVALID_HID_HANDLE;
        int pullOutOn = -1;  // the command whose request pulls it out; -1: none
    };
    InterfaceId Add(link::HidIds ids, VirtualReader* reader, Options options);
    // The interface behind an open handle that is not dead, or none.
    const Interface* LiveInterfaceOf(link::HidHandle handle) const;
    // The reader behind such a handle, or none.
    VirtualReader* ReaderOf(link::HidHandle handle) const;

    std::vector<Interface> interfaces_;
    std::map<link::HidHandle, InterfaceId> open_;
    std::map<link::HidHandle, InterfaceId> opened_;
    std::set<link::HidHandle> dead_;  // open handles of unplugged interfaces
    std::vector<link::HidHandle> closed_;
    link::HidHandle nextHandle_ = 100;
    int badCloses_ = 0;
    int listCalls_ = 0;
    std::vector<std::chrono::milliseconds> lockWaits_;
    link::HidChangeFlag changes_;
};

}  // namespace zrt::sim
