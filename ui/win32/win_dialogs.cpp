// WinDialogs and WinWaiter.
#include "ui/win32/win_dialogs.hpp"

#include <windows.h>

#include <algorithm>

namespace zrt::ui::win32 {

void WinDialogs::ShowMessage(const std::string& text) {
    const HWND owner = owner_->Window();
    wchar_t caption[256] = {};
    GetWindowTextW(owner, caption, 256);
    MessageBoxW(owner, Wide(text).c_str(), caption, MB_OK);
}

bool WinDialogs::AskYesNo(const std::string& caption, const std::string& text) {
    return MessageBoxW(owner_->Window(), Wide(text).c_str(), Wide(caption).c_str(),
                       MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

void WinWaiter::Wait(int milliseconds, Control* keepPainted) {
    int left = milliseconds;
    while (left > 0) {
        const int step = std::min(left, STEP_MS);
        Sleep(static_cast<DWORD>(step));
        left -= step;
        if (keepPainted != nullptr) {
            keepPainted->Repaint();
        }
    }
}

}  // namespace zrt::ui::win32
