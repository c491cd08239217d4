// The in-process virtual HID platform: listing, opening and closing of virtual interfaces, and the
// feature-report calls passed on to the virtual reader behind a handle.
#include "sim/virtual_platform.hpp"

namespace zrt::sim {

VirtualPlatform::InterfaceId VirtualPlatform::Add(link::HidIds ids, VirtualReader* reader,
                                                  Options options) {
    const InterfaceId id = interfaces_.size();
    interfaces_.push_back(Interface{"/virtual/hid" + std::to_string(id), ids, reader, options});
    changes_.Arrived();
    return id;
}

VirtualPlatform::InterfaceId VirtualPlatform::AddReader(VirtualReader& reader, Options options) {
    return Add({reader.VendorId(), reader.ProductId()}, &reader, options);
}

VirtualPlatform::InterfaceId VirtualPlatform::AddForeign(link::HidIds ids, Options options) {
    return Add(ids, nullptr, options);
}

void VirtualPlatform::Unplug(InterfaceId id) {
    interfaces_.at(id).present = false;
    changes_.Arrived();
    // Handles opened before are dead for good, even if the device comes back.
    for (const auto& [handle, owner] : open_) {
        if (owner == id) {
            dead_.insert(handle);
        }
    }
}

void VirtualPlatform::Plug(InterfaceId id) {
    interfaces_.at(id).present = true;
    changes_.Arrived();
}

bool VirtualPlatform::ListInterfaces(std::vector<link::HidInterface>& out) {
    ++listCalls_;
    if (listFails) {
        return false;
    }
    out.clear();
    for (const Interface& interface : interfaces_) {
        if (!interface.present) {
            continue;
        }
        link::HidInterface listed{interface.path, std::nullopt};
        if (interface.options.queryFails) {
            listed.path.clear();
        } else if (interface.options.hinted) {
            listed.hint = interface.ids;
        }
        out.push_back(std::move(listed));
    }
    return true;
}

link::HidHandle VirtualPlatform::Open(const std::string& path, link::OpenError& why) {
    why = link::OpenError::Gone;
    for (InterfaceId id = 0; id < interfaces_.size(); ++id) {
        Interface& interface = interfaces_[id];
        if (interface.path != path) {
            continue;
        }
        ++interface.opens;
        if (!interface.present) {
            return link::INVALID_HID_HANDLE;
        }
        if (!interface.options.openable) {
            why = interface.options.refusal;
            return link::INVALID_HID_HANDLE;
        }
        const link::HidHandle handle = nextHandle_++;
        open_[handle] = id;
        opened_[handle] = id;
        why = link::OpenError::None;
        return handle;
    }
    return link::INVALID_HID_HANDLE;
}

const VirtualPlatform::Interface* VirtualPlatform::LiveInterfaceOf(link::HidHandle handle) const {
    const auto it = open_.find(handle);
    if (it == open_.end() || dead_.contains(handle)) {
        return nullptr;
    }
    return &interfaces_[it->second];
}

VirtualReader* VirtualPlatform::ReaderOf(link::HidHandle handle) const {
    const Interface* interface = LiveInterfaceOf(handle);
    return interface != nullptr ? interface->reader : nullptr;
}

bool VirtualPlatform::GetIds(link::HidHandle handle, link::HidIds& ids) {
    const Interface* interface = LiveInterfaceOf(handle);
    if (interface == nullptr || !interface->options.identifiable) {
        return false;
    }
    ids = interface->ids;
    return true;
}

bool VirtualPlatform::SetFeature(link::HidHandle handle, const std::uint8_t* buffer,
                                 std::size_t length) {
    VirtualReader* reader = ReaderOf(handle);
    if (reader != nullptr && length > 3) {
        const InterfaceId id = open_.at(handle);
        if (interfaces_[id].pullOutOn == buffer[3]) {
            interfaces_[id].pullOutOn = -1;
            Unplug(id);
            return false;
        }
    }
    return reader != nullptr && reader->SetFeature(buffer, length);
}

bool VirtualPlatform::GetFeature(link::HidHandle handle, std::uint8_t* buffer, std::size_t length) {
    VirtualReader* reader = ReaderOf(handle);
    return reader != nullptr && reader->GetFeature(buffer, length);
}

void VirtualPlatform::Close(link::HidHandle handle) {
    const auto it = open_.find(handle);
    if (it == open_.end()) {
        ++badCloses_;
        return;
    }
    Unlock(handle);
    open_.erase(it);
    dead_.erase(handle);
    closed_.push_back(handle);
}

int VirtualPlatform::ForeignOpenCount() const {
    int opens = 0;
    for (const Interface& interface : interfaces_) {
        if (interface.reader == nullptr) {
            opens += interface.opens;
        }
    }
    return opens;
}

std::vector<VirtualPlatform::InterfaceId> VirtualPlatform::ClosedInterfaces() const {
    std::vector<InterfaceId> ids;
    ids.reserve(closed_.size());
    for (const link::HidHandle handle : closed_) {
        ids.push_back(opened_.at(handle));
    }
    return ids;
}

link::LockResult VirtualPlatform::Lock(link::HidHandle handle, std::chrono::milliseconds wait) {
    lockWaits_.push_back(wait);
    if (LiveInterfaceOf(handle) == nullptr) {
        return link::LockResult::Failed;
    }
    Interface& interface = interfaces_[open_.at(handle)];
    if (interface.lockHolder != link::INVALID_HID_HANDLE && interface.lockHolder != handle) {
        return link::LockResult::Busy;
    }
    interface.lockHolder = handle;
    return link::LockResult::Locked;
}

void VirtualPlatform::Unlock(link::HidHandle handle) {
    const auto it = open_.find(handle);
    if (it != open_.end() && interfaces_[it->second].lockHolder == handle) {
        interfaces_[it->second].lockHolder = link::INVALID_HID_HANDLE;
    }
}

}  // namespace zrt::sim
