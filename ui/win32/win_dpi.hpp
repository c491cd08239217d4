// The screen's resolution and measures as a window needs them to fit its monitor. The calls that
// newer systems have (GetDpiForWindow and AdjustWindowRectExForDpi of Windows 10, GetDpiForMonitor
// of shcore.dll, 8.1) are looked up at run time, so the program still starts on Windows 7; where
// they are missing the screen DC's resolution, the system's one, stands in.
#pragma once

#include <windows.h>

#include "ui/layout.hpp"
#include "ui/screen_fit.hpp"

namespace zrt::ui::win32 {

// The screen DC's pixels per inch; 96 when it gives none.
int SystemDpi();
// The resolution of the monitor a window is on.
int WindowDpi(HWND window);
int MonitorDpi(HMONITOR monitor);
// What a window of these styles adds around its client area at `dpi`: frame, title bar and, with
// `menu`, its menu bar.
Size FrameSize(DWORD style, DWORD exStyle, bool menu, int dpi);
// The monitor's work area (without the task bar), in screen coordinates.
Bounds WorkArea(HMONITOR monitor);

}  // namespace zrt::ui::win32
