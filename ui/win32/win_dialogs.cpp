// WinDialogs, WinFileDialogs and WinWaiter.
#include "ui/win32/win_dialogs.hpp"

#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <cwchar>

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

void WinDialogs::WarningSound() {
    MessageBeep(MB_ICONWARNING);
}

namespace {

std::optional<std::string> RunFileDialog(HWND owner, const FileChoice& choice, bool save) {
    // Pairs of a filter's name and pattern, each ended by a zero, the list by another.
    std::wstring filter = Wide(choice.filterName) + L'\0' + Wide(choice.pattern) + L'\0' +
                          Wide(choice.allFilesName) + L'\0' + L"*.*" + L'\0';
    const std::wstring title = Wide(choice.title);
    const std::wstring extension = Wide(choice.defaultExtension);
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (!save ? OFN_FILEMUSTEXIST : choice.appended ? 0 : OFN_OVERWRITEPROMPT);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) {
        return std::nullopt;
    }
    file.resize(wcslen(file.c_str()));
    return Utf8(file);
}

}  // namespace

std::optional<std::string> WinFileDialogs::ChooseFileToOpen(const FileChoice& choice) {
    return RunFileDialog(owner_->Window(), choice, false);
}

std::optional<std::string> WinFileDialogs::ChooseFileToSave(const FileChoice& choice) {
    return RunFileDialog(owner_->Window(), choice, true);
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
