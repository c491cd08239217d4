// The Windows backend of the HID platform seam: listing through the device-installation calls,
// opening with CreateFileA, the HID class calls for identifiers and feature reports (padded to the
// collection's feature report length), and a named mutex per interface as its lock.
#include "link/windows/win_hid_platform.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "link/windows/device_path_ids.hpp"
#include "link/hid_vp_tab.hpp"

namespace zrt::link {

namespace {

HANDLE ToHandle(HidHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

constexpr char LOCK_PREFIX[] = "zrt-vivoraz-hid-";
static_assert(WinHidPlatform::LOCK_ACCESS == 0x00100001, "the access LOCK_SECURITY grants");

}  // namespace

WinHidCalls SystemHidCalls() {
    return WinHidCalls{
        &::HidD_GetHidGuid,
        &::SetupDiGetClassDevsA,
        &::SetupDiEnumDeviceInterfaces,
        &::SetupDiGetDeviceInterfaceDetailA,
        &::SetupDiDestroyDeviceInfoList,
        &::CreateFileA,
        &::CloseHandle,
        &::GetLastError,
        &::HidD_GetAttributes,
        &::HidD_GetPreparsedData,
        &::HidD_FreePreparsedData,
        &::HidP_GetCaps,
        &::HidD_SetFeature,
        &::HidD_GetFeature,
        &::ConvertStringSecurityDescriptorToSecurityDescriptorA,
        &::LocalFree,
        &::CreateMutexExA,
        &::WaitForSingleObject,
        &::ReleaseMutex,
        [](std::size_t size) { return std::malloc(size); },
        [](void* block) { std::free(block); },
    };
}

WinHidPlatform::WinHidPlatform(WinHidCalls calls) : calls_(calls) {}

WinHidPlatform::~WinHidPlatform() {
    while (!opened_.empty()) {
        Close(opened_.begin()->first);
    }
}

bool WinHidPlatform::ListInterfaces(std::vector<HidInterface>& out) {
    out.clear();
    GUID hidGuid;
    calls_.HidD_GetHidGuid(&hidGuid);
    const HDEVINFO set = calls_.SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr,
                                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        return false;
    }
    // No search examines more indices than these, so no more are listed.
    for (DWORD index = 0; index < HidVPTab::MAX_INTERFACE_INDEX; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof(data);
        if (!calls_.SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &data)) {
            if (calls_.GetLastError() == ERROR_NO_MORE_ITEMS) {
                break;
            }
            out.emplace_back();  // counted, cannot be opened
            continue;
        }
        DWORD required = 0;
        calls_.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
        constexpr DWORD PATH_OFFSET = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        if (required <= PATH_OFFSET) {
            out.emplace_back();  // no room for a record with a path: the detail is not to be had
            continue;
        }
        auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(calls_.Allocate(required));
        if (detail == nullptr) {
            break;  // no memory: the listing ends with what it has
        }
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        HidInterface& entry = out.emplace_back();
        if (calls_.SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr,
                                                    nullptr)) {
            const std::size_t room = required - PATH_OFFSET;
            entry.path.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
            entry.hint = IdsFromDevicePath(entry.path);
        }
        calls_.Free(detail);
    }
    calls_.SetupDiDestroyDeviceInfoList(set);
    return true;
}

HidHandle WinHidPlatform::Open(const std::string& path, OpenError& why) {
    why = OpenError::Gone;
    if (path.empty()) {
        return INVALID_HID_HANDLE;
    }
    const HANDLE handle =
        calls_.CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        switch (calls_.GetLastError()) {
            case ERROR_ACCESS_DENIED:
                // Windows refuses write access to the collections it keeps (keyboards, mice) to
                // everyone: the reader's own keyboard collection, never the reader's feature one.
                why = OpenError::SystemHeld;
                break;
            case ERROR_SHARING_VIOLATION:
                why = OpenError::InUse;
                break;
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_DEVICE_NOT_CONNECTED:
            case ERROR_NO_SUCH_DEVINST:
                why = OpenError::Gone;
                break;
            default:
                why = OpenError::Other;
        }
        return INVALID_HID_HANDLE;
    }
    const auto id = reinterpret_cast<HidHandle>(handle);
    opened_[id] = Opened{path};
    why = OpenError::None;
    return id;
}

WinHidPlatform::Opened* WinHidPlatform::Find(HidHandle handle) {
    const auto found = opened_.find(handle);
    return found == opened_.end() ? nullptr : &found->second;
}

bool WinHidPlatform::GetIds(HidHandle handle, HidIds& ids) {
    if (Find(handle) == nullptr) {
        return false;
    }
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (!calls_.HidD_GetAttributes(ToHandle(handle), &attributes)) {
        return false;
    }
    ids.vendorId = attributes.VendorID;
    ids.productId = attributes.ProductID;
    return true;
}

std::size_t WinHidPlatform::SystemLength(HidHandle handle, Opened& opened, std::size_t length) {
    if (!opened.capsAsked) {
        opened.capsAsked = true;
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (calls_.HidD_GetPreparsedData(ToHandle(handle), &preparsed)) {
            HIDP_CAPS caps{};
            if (calls_.HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
                opened.featureLength = caps.FeatureReportByteLength;
            }
            calls_.HidD_FreePreparsedData(preparsed);
        }
    }
    return std::max(length, opened.featureLength);
}

// The scratch buffer at the system's length for a report of `length` bytes, zeroed, with the
// report ID in place; false for a bad call or a length the system cannot take.
bool WinHidPlatform::PrepareScratch(HidHandle handle, const std::uint8_t* buffer,
                                    std::size_t length) {
    Opened* opened = Find(handle);
    if (opened == nullptr || buffer == nullptr || length == 0) {
        return false;
    }
    const std::size_t systemLength = SystemLength(handle, *opened, length);
    if (systemLength > MAXDWORD) {
        return false;
    }
    scratch_.assign(systemLength, 0);
    scratch_[0] = buffer[0];
    return true;
}

bool WinHidPlatform::SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) {
    if (!PrepareScratch(handle, buffer, length)) {
        return false;
    }
    std::memcpy(scratch_.data(), buffer, length);
    return calls_.HidD_SetFeature(ToHandle(handle), scratch_.data(),
                                  static_cast<ULONG>(scratch_.size()));
}

bool WinHidPlatform::GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) {
    if (!PrepareScratch(handle, buffer, length) ||
        !calls_.HidD_GetFeature(ToHandle(handle), scratch_.data(),
                                static_cast<ULONG>(scratch_.size()))) {
        return false;
    }
    std::memcpy(buffer, scratch_.data(), length);
    return true;
}

void WinHidPlatform::Close(HidHandle handle) {
    Opened* opened = Find(handle);
    if (opened == nullptr) {
        return;
    }
    Unlock(handle);
    if (opened->mutex != nullptr) {
        calls_.CloseHandle(opened->mutex);
    }
    calls_.CloseHandle(ToHandle(handle));
    opened_.erase(handle);
}

std::string WinHidPlatform::LockName(const std::string& path, const char* space) {
    std::string name = std::string(space) + LOCK_PREFIX;
    for (const char c : path) {
        name += c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

HANDLE WinHidPlatform::CreateLockMutex(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (calls_.ConvertStringSecurityDescriptorToSecurityDescriptorA(LOCK_SECURITY, SDDL_REVISION_1,
                                                                    &descriptor, nullptr)) {
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
        const HANDLE global = calls_.CreateMutexExA(
            &attributes, LockName(path, GLOBAL_NAMESPACE).c_str(), 0, LOCK_ACCESS);
        calls_.LocalFree(descriptor);
        if (global != nullptr) {
            return global;
        }
    }
    return calls_.CreateMutexExA(nullptr, LockName(path, LOCAL_NAMESPACE).c_str(), 0,
                                 LOCK_ACCESS);
}

LockResult WinHidPlatform::Lock(HidHandle handle, std::chrono::milliseconds wait) {
    Opened* opened = Find(handle);
    if (opened == nullptr) {
        return LockResult::Failed;
    }
    if (opened->locked) {
        return LockResult::Locked;
    }
    if (opened->mutex == nullptr) {
        opened->mutex = CreateLockMutex(opened->path);
        if (opened->mutex == nullptr) {
            return LockResult::Failed;
        }
    }
    const auto milliseconds = std::clamp<std::chrono::milliseconds::rep>(
        wait.count(), 0, static_cast<std::chrono::milliseconds::rep>(INFINITE - 1));
    switch (calls_.WaitForSingleObject(opened->mutex, static_cast<DWORD>(milliseconds))) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // its holder died: the lock is free, and now ours
            opened->locked = true;
            return LockResult::Locked;
        case WAIT_TIMEOUT:
            return LockResult::Busy;
        default:
            return LockResult::Failed;
    }
}

void WinHidPlatform::Unlock(HidHandle handle) {
    Opened* opened = Find(handle);
    if (opened != nullptr && opened->locked) {
        calls_.ReleaseMutex(opened->mutex);
        opened->locked = false;
    }
}

}  // namespace zrt::link
