// zrt_device_change_probe.exe: whether the system's HID arrivals and removals reach a window as
// WM_DEVICECHANGE (under wine: whether the umockdev bed's uevents get that far). A console program
// with a hidden window registered for the HID interface class; prints one line per
// WM_DEVICECHANGE with its event code and the milliseconds since its start, for as many seconds
// as its argument says (default 30).
#include <windows.h>
// (after <windows.h>)
#include <dbt.h>

#include <cstdio>
#include <cstdlib>

namespace {

DWORD started = 0;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE) {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
        std::printf("WM_DEVICECHANGE event=0x%04lx type=%ld at_ms=%lu\n",
                    static_cast<unsigned long>(wParam),
                    header != nullptr ? static_cast<long>(header->dbch_devicetype) : -1L,
                    static_cast<unsigned long>(GetTickCount() - started));
        std::fflush(stdout);
        return TRUE;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    started = GetTickCount();
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZrtDeviceChangeProbe";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    const HDEVNOTIFY notify = RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    std::printf("registered=%d error=%lu\n", notify != nullptr ? 1 : 0, notify != nullptr ? 0ul : static_cast<unsigned long>(GetLastError()));
    std::fflush(stdout);
    SetTimer(hwnd, 1, static_cast<UINT>(seconds) * 1000u, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            break;
        }
        DispatchMessageW(&message);
    }
    return 0;
}
