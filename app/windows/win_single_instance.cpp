// The running program's window handle in a named file mapping: the first program to create the
// mapping is the one that runs; any later one reads the handle and asks that window to come to the
// front with the form's registered raise message.
#include "app/windows/win_single_instance.hpp"

#include "ui/win32/win_form.hpp"

namespace zrt::app {

namespace {

constexpr DWORD WAIT_FOR_WINDOW_MS = 5000;
constexpr DWORD POLL_MS = 50;

}  // namespace

std::wstring WinSingleInstance::DefaultName() {
    wchar_t user[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"USERNAME", user, 256);
    std::wstring name = L"Local\\ZrT_VivoRaz.window.";
    for (DWORD i = 0; i < length && i < 256; ++i) {
        name += user[i] == L'\\' ? L'_' : user[i];
    }
    return name;
}

WinSingleInstance::WinSingleInstance(const std::wstring& name) {
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(HWND),
                                  name.c_str());
    if (mapping_ == nullptr) {
        return;  // no mapping (another user's object by that name): this program just runs
    }
    first_ = GetLastError() != ERROR_ALREADY_EXISTS;
    shared_ = static_cast<HWND*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(HWND)));
}

WinSingleInstance::~WinSingleInstance() {
    if (shared_ != nullptr) {
        if (first_) {
            *shared_ = nullptr;
        }
        UnmapViewOfFile(shared_);
    }
    if (mapping_ != nullptr) {
        CloseHandle(mapping_);
    }
}

bool WinSingleInstance::HandOverToRunning() {
    if (first_ || shared_ == nullptr) {
        return false;
    }
    for (DWORD waited = 0; waited < WAIT_FOR_WINDOW_MS; waited += POLL_MS) {
        const HWND window = *static_cast<HWND volatile*>(shared_);
        if (window != nullptr && IsWindow(window)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            AllowSetForegroundWindow(process);  // this program was started by the user
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, ui::win32::WinForm::RaiseMessage(), 0, 0,
                                SMTO_ABORTIFHUNG, 2000, &result);
            return true;
        }
        Sleep(POLL_MS);
    }
    return true;  // the running program has no window yet, or is ending: no second window
}

void WinSingleInstance::Listen(HWND window) {
    if (first_ && shared_ != nullptr) {
        *static_cast<HWND volatile*>(shared_) = window;
    }
}

}  // namespace zrt::app
