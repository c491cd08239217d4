// Resolution look-ups with run-time fallbacks: no import of shcore.dll and no entry point that
// Windows 7 lacks.
#include "ui/win32/win_dpi.hpp"

namespace zrt::ui::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int MDT_EFFECTIVE_DPI_VALUE = 0;

template <class Fn>
Fn Lookup(const wchar_t* module, const char* name, bool load) {
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr && load) {
        handle = LoadLibraryW(module);  // kept loaded for the program's life
    }
    if (handle == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

GetDpiForWindowFn DpiForWindow() {
    static const auto fn = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow", false);
    return fn;
}

AdjustForDpiFn AdjustForDpi() {
    static const auto fn = Lookup<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi", false);
    return fn;
}

GetDpiForMonitorFn DpiForMonitor() {
    static const auto fn = Lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor", true);
    return fn;
}

}  // namespace

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

int MonitorDpi(HMONITOR monitor) {
    UINT x = 0;
    UINT y = 0;
    if (const auto fn = DpiForMonitor();
        fn != nullptr && monitor != nullptr && SUCCEEDED(fn(monitor, MDT_EFFECTIVE_DPI_VALUE, &x, &y)) &&
        y > 0) {
        return static_cast<int>(y);
    }
    return SystemDpi();
}

int WindowDpi(HWND window) {
    if (const auto fn = DpiForWindow(); fn != nullptr && window != nullptr) {
        if (const UINT dpi = fn(window); dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

Size FrameSize(DWORD style, DWORD exStyle, bool menu, int dpi) {
    RECT r{0, 0, 0, 0};
    const auto fn = AdjustForDpi();
    if (fn == nullptr || !fn(&r, style, menu ? TRUE : FALSE, exStyle, static_cast<UINT>(dpi))) {
        r = {0, 0, 0, 0};
        AdjustWindowRectEx(&r, style, menu ? TRUE : FALSE, exStyle);
    }
    return {r.right - r.left, r.bottom - r.top};
}

Bounds WorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info)) {
        const RECT& w = info.rcWork;
        return {w.left, w.top, w.right - w.left, w.bottom - w.top};
    }
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return {work.left, work.top, work.right - work.left, work.bottom - work.top};
}

}  // namespace zrt::ui::win32
