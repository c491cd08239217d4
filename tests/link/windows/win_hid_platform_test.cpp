// Tests of what the Windows backend decides, on a system of HID interfaces played behind its call
// table (SetupDi, CreateFileA, HidD_*): failed indices, failed detail records and allocations, the
// reasons of a failed open, unidentifiable interfaces, the padding to the collection's feature
// report length, the search opening only interfaces whose device path may be a reader's, and the
// lock (real named mutexes). Runs under wine.
#include "link/windows/win_hid_platform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "link/hid_vp_tab.hpp"

namespace zrt::link {
namespace {

using std::chrono::milliseconds;

// How one device index of the played system answers.
struct Interface {
    std::string path;
    DWORD enumError = 0;       // SetupDiEnumDeviceInterfaces fails with this
    bool detailFails = false;  // the second SetupDiGetDeviceInterfaceDetailA fails
    bool noMemory = false;     // the detail buffer cannot be allocated
    DWORD openError = 0;       // CreateFileA fails with this
    bool attributesFail = false;
    HidIds ids{};
    USHORT featureLength = 0;  // FeatureReportByteLength; 0: no preparsed data
};

// The played system, and what the backend asked of it.
struct System {
    std::vector<Interface> interfaces;
    bool setFails = false;
    DWORD lastError = 0;
    DWORD classFlags = 0;
    DWORD interfaceRecordSize = 0;
    DWORD detailRecordSize = 0;
    int setsDestroyed = 0;
    std::size_t detailIndex = 0;
    std::vector<DWORD> openFlags;  // access, sharing, disposition of the last CreateFileA
    std::vector<std::string> opened;  // the path of every CreateFileA
    std::set<HANDLE> open;
    std::vector<std::uint8_t> sent;
    ULONG readLength = 0;
};
System* played = nullptr;

const HDEVINFO SET = reinterpret_cast<HDEVINFO>(0x5E7);
HANDLE DeviceHandle(std::size_t index) {
    return reinterpret_cast<HANDLE>(0x1000 + 4 * index);
}
std::size_t IndexOf(HANDLE handle) {
    return (reinterpret_cast<std::uintptr_t>(handle) - 0x1000) / 4;
}

WinHidCalls PlayedCalls() {
    WinHidCalls calls = SystemHidCalls();  // the mutex calls stay real
    calls.HidD_GetHidGuid = [](LPGUID guid) { *guid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {}}; };
    calls.SetupDiGetClassDevsA = [](const GUID*, PCSTR, HWND, DWORD flags) -> HDEVINFO {
        played->classFlags = flags;
        return played->setFails ? INVALID_HANDLE_VALUE : SET;
    };
    calls.SetupDiEnumDeviceInterfaces = [](HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                           PSP_DEVICE_INTERFACE_DATA data) -> BOOL {
        played->interfaceRecordSize = data->cbSize;
        if (index >= played->interfaces.size()) {
            played->lastError = ERROR_NO_MORE_ITEMS;
            return FALSE;
        }
        if (played->interfaces[index].enumError != 0) {
            played->lastError = played->interfaces[index].enumError;
            return FALSE;
        }
        data->Reserved = index;
        return TRUE;
    };
    calls.SetupDiGetDeviceInterfaceDetailA =
        [](HDEVINFO, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
           DWORD size, PDWORD required, PSP_DEVINFO_DATA) -> BOOL {
        played->detailIndex = data->Reserved;
        const Interface& device = played->interfaces[data->Reserved];
        const DWORD needed =
            offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + device.path.size() + 1;
        if (detail == nullptr) {
            *required = needed;
            played->lastError = ERROR_INSUFFICIENT_BUFFER;
            return FALSE;
        }
        played->detailRecordSize = detail->cbSize;
        if (device.detailFails || size < needed) {
            return FALSE;
        }
        std::memcpy(detail->DevicePath, device.path.c_str(), device.path.size() + 1);
        return TRUE;
    };
    calls.SetupDiDestroyDeviceInfoList = [](HDEVINFO set) -> BOOL {
        played->setsDestroyed += set == SET ? 1 : 100;
        return TRUE;
    };
    calls.Allocate = [](std::size_t size) -> void* {
        return played->interfaces[played->detailIndex].noMemory ? nullptr : std::malloc(size);
    };
    calls.CreateFileA = [](LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES,
                           DWORD disposition, DWORD, HANDLE) -> HANDLE {
        played->openFlags = {access, sharing, disposition};
        played->opened.emplace_back(path);
        for (std::size_t i = 0; i < played->interfaces.size(); ++i) {
            if (played->interfaces[i].path == path) {
                if (played->interfaces[i].openError != 0) {
                    played->lastError = played->interfaces[i].openError;
                    return INVALID_HANDLE_VALUE;
                }
                played->open.insert(DeviceHandle(i));
                return DeviceHandle(i);
            }
        }
        played->lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    };
    calls.CloseHandle = [](HANDLE handle) -> BOOL {
        return played->open.erase(handle) == 1 || ::CloseHandle(handle);
    };
    calls.GetLastError = []() -> DWORD { return played->lastError; };
    calls.HidD_GetAttributes = [](HANDLE handle, PHIDD_ATTRIBUTES attributes) -> BOOLEAN {
        const Interface& device = played->interfaces[IndexOf(handle)];
        attributes->VendorID = device.ids.vendorId;
        attributes->ProductID = device.ids.productId;
        return !device.attributesFail;
    };
    calls.HidD_GetPreparsedData = [](HANDLE handle, PHIDP_PREPARSED_DATA* data) -> BOOLEAN {
        *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(handle);
        return played->interfaces[IndexOf(handle)].featureLength != 0;
    };
    calls.HidD_FreePreparsedData = [](PHIDP_PREPARSED_DATA) -> BOOLEAN { return TRUE; };
    calls.HidP_GetCaps = [](PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) -> NTSTATUS {
        caps->FeatureReportByteLength =
            played->interfaces[IndexOf(reinterpret_cast<HANDLE>(data))].featureLength;
        return HIDP_STATUS_SUCCESS;
    };
    calls.HidD_SetFeature = [](HANDLE, PVOID buffer, ULONG length) -> BOOLEAN {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        played->sent.assign(bytes, bytes + length);
        return TRUE;
    };
    calls.HidD_GetFeature = [](HANDLE, PVOID buffer, ULONG length) -> BOOLEAN {
        played->readLength = length;
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        for (ULONG i = 1; i < length; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i);
        }
        return TRUE;
    };
    return calls;
}

class WinHid : public ::testing::Test {
  protected:
    void SetUp() override { played = &system; }
    void TearDown() override { played = nullptr; }

    System system;
};

struct ListCase {
    const char* name;
    std::vector<Interface> interfaces;
    bool setFails;
    bool listed;
    std::vector<std::string> paths;  // "" for an entry that cannot be opened
};

class Listing : public WinHid, public ::testing::WithParamInterface<ListCase> {};

TEST_P(Listing, EveryExaminedIndexIsAnEntry) {
    system.interfaces = GetParam().interfaces;
    system.setFails = GetParam().setFails;
    WinHidPlatform platform(PlayedCalls());
    std::vector<HidInterface> list(3);
    EXPECT_EQ(platform.ListInterfaces(list), GetParam().listed);
    std::vector<std::string> paths;
    for (const HidInterface& entry : list) {
        paths.push_back(entry.path);
        EXPECT_FALSE(entry.hint);
    }
    EXPECT_EQ(paths, GetParam().paths);
    EXPECT_EQ(system.classFlags, DWORD{DIGCF_PRESENT | DIGCF_DEVICEINTERFACE});
    EXPECT_EQ(system.setsDestroyed, GetParam().setFails ? 0 : 1);
    if (!GetParam().setFails) {
        EXPECT_EQ(system.interfaceRecordSize, 32u);
    }
    if (!GetParam().paths.empty()) {
        EXPECT_EQ(system.detailRecordSize, 8u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Listing,
    ::testing::Values(
        ListCase{"SetNotAvailable", {{"a"}}, true, false, {}},
        ListCase{"OtherFailureOfAnIndexStillCounts",
                 {{"a"}, {"b", ERROR_GEN_FAILURE}, {"c"}},
                 false,
                 true,
                 {"a", "", "c"}},
        ListCase{"DetailRecordFails", {{"a", 0, true}, {"b"}}, false, true, {"", "b"}},
        ListCase{
            "NoMemoryEndsTheListing", {{"a"}, {"b", 0, false, true}, {"c"}}, false, true, {"a"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The search takes each interface's identifiers from its device path and opens only those that
// may be the reader asked for (and those whose path does not tell); the identifiers are still
// confirmed on the open handle. The reader's keyboard collection, which Windows keeps for itself,
// fails its open and is passed over for the collection with the feature reports.
TEST_F(WinHid, TheSearchOpensNoInterfaceWhosePathNamesAnotherDevice) {
    const std::string guid = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const std::string keyboard = R"(\\?\hid#vid_13ab&pid_0051&mi_00&col01#8&2a&0&0000)" + guid;
    const std::string features = R"(\\?\HID#VID_13AB&PID_0051&MI_00&COL02#8&2a&0&0001)" + guid;
    const std::string bluetooth =
        R"(\\?\hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002046d)" + guid;
    system.interfaces = {
        {R"(\\?\hid#vid_046d&pid_c52b&mi_00#7&1a&0&0000)" + guid, 0, false, false, 0, false,
         {0x046D, 0xC52B}},
        {R"(\\?\hid#vid_13ab&pid_0041#6&3b&0&0000)" + guid, 0, false, false, 0, false,
         {0x13AB, 0x41}},
        {keyboard, 0, false, false, ERROR_ACCESS_DENIED, false, {0x13AB, 0x51}},
        {features, 0, false, false, 0, false, {0x13AB, 0x51}},
        {bluetooth, 0, false, false, 0, false, {0x046D, 0xB019}},
        {R"(\\?\hid#vid_13ab&pid_0051#6&ff&0&0000)" + guid, 0, false, false, 0, false,
         {0x13AB, 0x52}},  // the path says 81, the device does not
    };
    WinHidPlatform platform(PlayedCalls());
    HidVPTab list(platform);
    ASSERT_EQ(list.Enumerate(0x13AB, 0x51), 1u);
    EXPECT_EQ(IndexOf(reinterpret_cast<HANDLE>(list.Handle(0))), 3u);
    EXPECT_EQ(system.opened, (std::vector<std::string>{keyboard, features, bluetooth,
                                                        system.interfaces[5].path}));
}

struct OpenCase {
    DWORD error;
    OpenError why;
};

class OpenFailure : public WinHid, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenFailure, TellsWhy) {
    system.interfaces = {{"reader", 0, false, false, GetParam().error}};
    WinHidPlatform platform(PlayedCalls());
    OpenError why = OpenError::None;
    EXPECT_EQ(platform.Open("reader", why), INVALID_HID_HANDLE);
    EXPECT_EQ(why, GetParam().why);
    // Read and write, shared both ways, never anything less.
    EXPECT_EQ(system.openFlags,
              (std::vector<DWORD>{GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  OPEN_EXISTING}));
}

INSTANTIATE_TEST_SUITE_P(Errors, OpenFailure,
                         ::testing::Values(OpenCase{ERROR_ACCESS_DENIED, OpenError::SystemHeld},
                                           OpenCase{ERROR_SHARING_VIOLATION, OpenError::InUse},
                                           OpenCase{ERROR_FILE_NOT_FOUND, OpenError::Gone},
                                           OpenCase{ERROR_DEVICE_NOT_CONNECTED, OpenError::Gone},
                                           OpenCase{ERROR_GEN_FAILURE, OpenError::Other}));

// A search keeps the reader and closes every other handle it opened, also the one whose
// attributes could not be read.
TEST_F(WinHid, ASearchKeepsOnlyWhatItIdentified) {
    system.interfaces = {{"keyboard", 0, false, false, 0, false, {0x046D, 0xC31C}},
                         {"unknown", 0, false, false, 0, true, {0x13AB, 0x41}},
                         {"held", 0, false, false, ERROR_ACCESS_DENIED, false, {0x13AB, 0x41}},
                         {"reader", 0, false, false, 0, false, {0x13AB, 0x41}}};
    WinHidPlatform platform(PlayedCalls());
    HidVPTab list(platform);
    ASSERT_EQ(list.Enumerate(0x13AB, 0x41), 1u);
    EXPECT_EQ(reinterpret_cast<HANDLE>(list.Handle(0)), DeviceHandle(3));
    EXPECT_EQ(system.open, std::set<HANDLE>{DeviceHandle(3)});
    list.CloseAll();
    EXPECT_TRUE(system.open.empty());
}

// Reports go out padded with zeros to the collection's feature report length and are read in
// that length, the caller getting its own length; with no length to learn, the caller's is used.
TEST_F(WinHid, ReportsArePaddedToTheCollectionsLength) {
    for (const USHORT featureLength : {USHORT{575}, USHORT{0}}) {
        system.interfaces = {{"reader", 0, false, false, 0, false, {}, featureLength}};
        WinHidPlatform platform(PlayedCalls());
        const HidHandle handle = platform.Open("reader");
        const std::size_t systemLength = featureLength == 0 ? 63 : featureLength;
        std::uint8_t report[64];
        std::fill(std::begin(report), std::end(report), 0xEE);
        report[0] = 0x41;
        ASSERT_TRUE(platform.SetFeature(handle, report, 63));
        std::vector<std::uint8_t> expected(systemLength, 0);
        std::copy(report, report + 63, expected.begin());
        EXPECT_EQ(system.sent, expected);

        ASSERT_TRUE(platform.GetFeature(handle, report, 63));
        EXPECT_EQ(system.readLength, systemLength);
        EXPECT_EQ(report[0], 0x41);
        EXPECT_EQ(report[62], 62);
        EXPECT_EQ(report[63], 0xEE) << "nothing past the caller's length";
        EXPECT_FALSE(platform.SetFeature(handle + 4, report, 63)) << "not a handle of ours";
    }
}

// The lock is the device's named mutex: another thread (as another program would) holding it
// keeps it Busy for the whole wait, its release lets a waiter in, and a holder that ended without
// letting go leaves it free.
TEST_F(WinHid, TheLockIsANamedMutexOfTheDevicePath) {
    system.interfaces = {{"\\\\?\\HID#VID_13AB&PID_0041#Lock", 0, false, false, 0}};
    WinHidPlatform mine(PlayedCalls());
    const HidHandle handle = mine.Open(system.interfaces[0].path);
    EXPECT_EQ(WinHidPlatform::LockName(system.interfaces[0].path),
              "Global\\zrt-vivoraz-hid-//?/hid#vid_13ab&pid_0041#lock");

    const auto inOtherThread = [&](bool release) {
        WinHidPlatform other(PlayedCalls());
        const HidHandle otherHandle = other.Open(system.interfaces[0].path);
        std::thread([&] {
            EXPECT_EQ(other.Lock(otherHandle, milliseconds{0}), LockResult::Locked);
            if (release) {
                other.Unlock(otherHandle);
            }
        }).join();
    };
    WinHidPlatform other(PlayedCalls());
    const HidHandle otherHandle = other.Open(system.interfaces[0].path);
    std::atomic<bool> holding = true;
    std::thread holder([&] {
        EXPECT_EQ(other.Lock(otherHandle, milliseconds{0}), LockResult::Locked);
        while (holding) {
            std::this_thread::sleep_for(milliseconds{5});
        }
        other.Unlock(otherHandle);
    });
    std::this_thread::sleep_for(milliseconds{50});
    EXPECT_EQ(mine.Lock(handle, milliseconds{0}), LockResult::Busy);
    EXPECT_EQ(mine.Lock(handle, milliseconds{50}), LockResult::Busy);
    holding = false;
    EXPECT_EQ(mine.Lock(handle, milliseconds{5000}), LockResult::Locked);
    holder.join();
    mine.Unlock(handle);

    inOtherThread(false);  // ends holding it
    EXPECT_EQ(mine.Lock(handle, milliseconds{0}), LockResult::Locked) << "abandoned is free";
    mine.Unlock(handle);
    EXPECT_EQ(mine.Lock(INVALID_HID_HANDLE, milliseconds{0}), LockResult::Failed);
}

// Whether a mutex's security descriptor has one entry, which lets Authenticated Users wait for
// and release it, and nothing more.
bool GrantsAuthenticatedUsersTheLock(const SECURITY_ATTRIBUTES* attributes) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ACCESS_ALLOWED_ACE* ace = nullptr;
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(users);
    return attributes != nullptr &&
           GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl,
                                     &defaulted) &&
           dacl != nullptr && dacl->AceCount == 1 && GetAce(dacl, 0, reinterpret_cast<void**>(&ace)) &&
           ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
           ace->Mask == (SYNCHRONIZE | MUTEX_MODIFY_STATE) &&
           CreateWellKnownSid(WinAuthenticatedUserSid, nullptr, users, &size) &&
           EqualSid(&ace->SidStart, users);
}

// Name, access asked for, and whether the descriptor shares it, of each mutex the lock created.
std::vector<std::tuple<std::string, DWORD, bool>> mutexes;
bool globalRefused = false;

// The lock's mutex lives in Global\ with a descriptor that lets every logged-on user's program
// use it; where Global\ is refused, in Local\. Either way the lock works.
TEST_F(WinHid, TheLocksMutexIsSharedWithEveryUserOrElseLocal) {
    system.interfaces = {{"\\\\?\\HID#VID_13AB&PID_0041#Shared", 0, false, false, 0}};
    const std::string name = "zrt-vivoraz-hid-//?/hid#vid_13ab&pid_0041#shared";
    const DWORD access = SYNCHRONIZE | MUTEX_MODIFY_STATE;
    for (const bool refused : {false, true}) {
        globalRefused = refused;
        mutexes.clear();
        WinHidCalls calls = PlayedCalls();
        calls.CreateMutexExA = [](LPSECURITY_ATTRIBUTES attributes, LPCSTR mutex, DWORD flags,
                                  DWORD asked) -> HANDLE {
            mutexes.emplace_back(mutex, asked, GrantsAuthenticatedUsersTheLock(attributes));
            if (globalRefused && std::string(mutex).rfind("Global\\", 0) == 0) {
                return nullptr;
            }
            return ::CreateMutexExA(attributes, mutex, flags, asked);
        };
        WinHidPlatform platform(calls);
        const HidHandle handle = platform.Open(system.interfaces[0].path);
        EXPECT_EQ(platform.Lock(handle, milliseconds{0}), LockResult::Locked);
        using Created = std::tuple<std::string, DWORD, bool>;
        std::vector<Created> expected{{"Global\\" + name, access, true}};
        if (refused) {
            expected.emplace_back("Local\\" + name, access, false);
        }
        EXPECT_EQ(mutexes, expected);
        platform.Close(handle);
    }
}

}  // namespace
}  // namespace zrt::link
