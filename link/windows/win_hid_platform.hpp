// The Windows backend of the HID platform seam: the HID class calls (hid.dll), the
// device-installation calls (setupapi.dll) and the kernel's file and mutex calls, reached through
// a table of function pointers so that tests can make each call fail.
#pragma once

#include <windows.h>
// (after <windows.h>)
#include <sddl.h>
#include <setupapi.h>
// MinGW's hidsdi.h declares its functions without C linkage of its own.
extern "C" {
#include <hidsdi.h>
}

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"

namespace zrt::link {

// Every system call the backend makes, with the system's own signatures.
struct WinHidCalls {
    decltype(&::HidD_GetHidGuid) HidD_GetHidGuid;
    decltype(&::SetupDiGetClassDevsA) SetupDiGetClassDevsA;
    decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces;
    decltype(&::SetupDiGetDeviceInterfaceDetailA) SetupDiGetDeviceInterfaceDetailA;
    decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
    decltype(&::CreateFileA) CreateFileA;
    decltype(&::CloseHandle) CloseHandle;
    decltype(&::GetLastError) GetLastError;
    decltype(&::HidD_GetAttributes) HidD_GetAttributes;
    decltype(&::HidD_GetPreparsedData) HidD_GetPreparsedData;
    decltype(&::HidD_FreePreparsedData) HidD_FreePreparsedData;
    decltype(&::HidP_GetCaps) HidP_GetCaps;
    decltype(&::HidD_SetFeature) HidD_SetFeature;
    decltype(&::HidD_GetFeature) HidD_GetFeature;
    decltype(&::ConvertStringSecurityDescriptorToSecurityDescriptorA)
        ConvertStringSecurityDescriptorToSecurityDescriptorA;
    decltype(&::LocalFree) LocalFree;
    decltype(&::CreateMutexExA) CreateMutexExA;
    decltype(&::WaitForSingleObject) WaitForSingleObject;
    decltype(&::ReleaseMutex) ReleaseMutex;
    // The heap buffer of an interface's detail record; nullptr when there is no memory.
    void* (*Allocate)(std::size_t size);
    void (*Free)(void* block);
};

// The real calls.
WinHidCalls SystemHidCalls();

// Listing: HidD_GetHidGuid, SetupDiGetClassDevsA (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE), then for
// indices 0 to 63 SetupDiEnumDeviceInterfaces and the two-call SetupDiGetDeviceInterfaceDetailA
// into a heap buffer. ERROR_NO_MORE_ITEMS ends the listing; any other failure of an index, or of
// its detail record, gives that index an entry with no path; a failed allocation ends the listing
// with what it has. Each entry's hint is the vendor and product written into its device path
// ("vid_13ab&pid_0041" in a USB path), none where the path has no such part: the search opens only
// the interfaces that may be readers (opening other people's devices ten times a second can wake
// them from power saving), and confirms the identifiers on the open handle.
//
// Changes(): a HidChangeFlag, which the program's loop tells of every WM_DEVICECHANGE (the system
// sends it to a window that registered for the HID interface class).
//
// Open: CreateFileA with GENERIC_READ | GENERIC_WRITE and FILE_SHARE_READ | FILE_SHARE_WRITE,
// OPEN_EXISTING, nothing less (a reader's keyboard collection, which Windows opens for nobody to
// write, must fail here and never come before the collection with the feature reports). Why it
// failed: ERROR_ACCESS_DENIED held by the system (such a keyboard collection; never reported as a
// reader without access), ERROR_SHARING_VIOLATION in use, the not-found and
// not-connected and no-such-device errors gone, anything else other. A handle is the Windows
// HANDLE.
//
// Feature reports: Windows refuses a buffer shorter than the collection's FeatureReportByteLength
// (HidD_GetPreparsedData, HidP_GetCaps, asked once per handle), so a report is padded with zeros to
// that length for HidD_SetFeature, and read into a buffer of that length, of which the caller gets
// its `length` bytes. When the length cannot be learned the caller's length is used as it is.
//
// Lock: a mutex named after the device path (lower case, "\" as "/"), created at the first Lock of
// a handle, in the machine's Global\ namespace so that the programs of every user logged on
// exclude each other. Its security descriptor lets Authenticated Users wait for it and release it
// (SYNCHRONIZE | MUTEX_MODIFY_STATE, what the lock asks for when it opens it; the default one would
// keep every other user out). Where the Global\ one cannot be had (the system refuses it), the
// session's Local\ one is used. A mutex that a dead program held (WAIT_ABANDONED) is had.
// Windows lets the thread that owns a mutex take it again, so two handles of one interface used
// from one thread do not exclude each other; other threads and programs are kept out.
// Not thread-safe: one object serves one thread, like the rest of the link.
class WinHidPlatform final : public HidPlatform {
  public:
    explicit WinHidPlatform(WinHidCalls calls = SystemHidCalls());
    ~WinHidPlatform() override;
    WinHidPlatform(const WinHidPlatform&) = delete;
    WinHidPlatform& operator=(const WinHidPlatform&) = delete;

    bool ListInterfaces(std::vector<HidInterface>& out) override;
    using HidPlatform::Open;
    HidHandle Open(const std::string& path, OpenError& why) override;
    bool GetIds(HidHandle handle, HidIds& ids) override;
    bool SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) override;
    bool GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) override;
    void Close(HidHandle handle) override;
    LockResult Lock(HidHandle handle, std::chrono::milliseconds wait) override;
    void Unlock(HidHandle handle) override;
    HidChanges* Changes() override { return &changes_; }

    // The name of the mutex that locks the interface at `path`, in the namespace `space`.
    static std::string LockName(const std::string& path, const char* space = GLOBAL_NAMESPACE);
    static constexpr const char* GLOBAL_NAMESPACE = "Global\\";
    static constexpr const char* LOCAL_NAMESPACE = "Local\\";
    // Who may use the lock's mutex: Authenticated Users may wait for it and release it.
    static constexpr const char* LOCK_SECURITY = "D:(A;;0x00100001;;;AU)";
    static constexpr DWORD LOCK_ACCESS = SYNCHRONIZE | MUTEX_MODIFY_STATE;

  private:
    struct Opened {
        std::string path;
        bool capsAsked = false;
        std::size_t featureLength = 0;  // FeatureReportByteLength; 0: not known
        HANDLE mutex = nullptr;
        bool locked = false;
    };
    Opened* Find(HidHandle handle);
    // The buffer length the system wants for a report of `length` bytes on this handle.
    std::size_t SystemLength(HidHandle handle, Opened& opened, std::size_t length);
    bool PrepareScratch(HidHandle handle, const std::uint8_t* buffer, std::size_t length);
    // The lock's mutex for `path`: the Global\ one, else the Local\ one; nullptr when neither.
    HANDLE CreateLockMutex(const std::string& path);

    WinHidCalls calls_;
    std::map<HidHandle, Opened> opened_;
    std::vector<std::uint8_t> scratch_;  // the padded report
    HidChangeFlag changes_;
};

}  // namespace zrt::link
