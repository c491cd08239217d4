// The idle baseline of the Win32 window: an empty top-level window with a 100 ms timer whose ticks
// do nothing. bench/idle.sh compares the tool's idle CPU under wine with it. With the argument
// --text-box the window holds one multi-line text box with the keyboard focus, as the tool's window
// does: its blinking caret is repainted whether or not anything else happens.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR commandLine, int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ZrtEmptyWindow";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"empty", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 560, 420, nullptr, nullptr, instance, nullptr);
    SetTimer(hwnd, 1, 100, nullptr);
    ShowWindow(hwnd, show);
    if (commandLine != nullptr && wcscmp(commandLine, L"--text-box") == 0) {
        HWND box = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                   WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL, 8, 8, 520, 360,
                                   hwnd, nullptr, instance, nullptr);
        SetFocus(box);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
