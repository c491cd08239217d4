// The Windows half of the program's end-to-end test: run under wine beside zrt-vivoraz.exe, it
// reads the program's windows from outside through the system's messages and prints one line per
// control of both layouts, "<name>\t<visible>\t<enabled>\t<value>\t<text>" (value: a check box's
// state, the selected item of a list or radio group, a progress bar's position), then
// "focus\t<name of the control with the keyboard focus>", "windows\t<number of main windows>",
// "iconic\t<1 when the main window is minimised>" and "foreground\t<1 when it is the foreground
// window>". "none" when the main window is not there. With the argument "minimise" it minimises the
// main window first.
#include <windows.h>

#include <commctrl.h>  // after windows.h

#include <cstdio>
#include <string>

#include "ui/layout.hpp"
#include "ui/win32/win_form.hpp"

namespace {

using namespace zrt::ui;

LRESULT Ask(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
    return static_cast<LRESULT>(result);
}

std::string Text(HWND hwnd) {
    wchar_t text[1024] = {};
    Ask(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    std::string escaped;
    for (char c : win32::Utf8(text)) {
        escaped += c == '\n' ? std::string("\\n") : c == '\r' ? std::string() : std::string(1, c);
    }
    return escaped;
}

// The descendant of `window` with that control identifier.
HWND Child(HWND window, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        window,
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(hwnd) == s->id) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Dump(const WindowLayout& layout, HWND window, HWND focus, std::string& focusName) {
    std::printf("%s\t%d\t%d\t0\t%s\n", layout.name.c_str(), IsWindowVisible(window) ? 1 : 0,
                IsWindowEnabled(window) ? 1 : 0, Text(window).c_str());
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& c = layout.controls[i];
        const HWND hwnd = Child(window, win32::CONTROL_ID_BASE + static_cast<int>(i));
        if (hwnd == nullptr) {
            continue;
        }
        long value = 0;
        switch (c.kind) {
            case ControlKind::CheckBox:
                value = static_cast<long>(Ask(hwnd, BM_GETCHECK));
                break;
            case ControlKind::ComboBox:
                value = static_cast<long>(Ask(hwnd, CB_GETCURSEL));
                break;
            case ControlKind::ProgressBar:
                value = static_cast<long>(Ask(hwnd, PBM_GETPOS));
                break;
            case ControlKind::RadioGroup:
                value = -1;
                for (std::size_t j = 0; j < c.items.size(); ++j) {
                    const HWND item = Child(hwnd, win32::RADIO_ID_BASE +
                                                      static_cast<int>(i) * win32::RADIO_ID_STRIDE +
                                                      static_cast<int>(j));
                    if (item == focus) {
                        focusName = c.name;
                    }
                    if (Ask(item, BM_GETCHECK) == BST_CHECKED) {
                        value = static_cast<long>(j);
                    }
                }
                break;
            default:
                break;
        }
        if (hwnd == focus) {
            focusName = c.name;
        }
        std::printf("%s\t%d\t%d\t%ld\t%s\n", c.name.c_str(), IsWindowVisible(hwnd) ? 1 : 0,
                    IsWindowEnabled(hwnd) ? 1 : 0, value, Text(hwnd).c_str());
    }
}

// Whether `hwnd` is a main window: its title is the layout's caption, followed by a note in a
// build for test images (" (test images)"). The title is read without a message, which a program
// busy uploading would not answer.
bool IsMainWindow(HWND hwnd) {
    wchar_t name[64] = {};
    wchar_t title[128] = {};
    GetClassNameW(hwnd, name, 64);
    GetWindowTextW(hwnd, title, 128);
    return std::wstring(name) == win32::FORM_CLASS &&
           std::wstring(title).rfind(win32::Wide(MainWinLayout().caption), 0) == 0;
}

HWND FindMainWindow() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            if (IsMainWindow(hwnd)) {
                *reinterpret_cast<HWND*>(data) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

int CountMainWindows() {
    int count = 0;
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            if (IsMainWindow(hwnd)) {
                ++*reinterpret_cast<int*>(data);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const HWND main = FindMainWindow();
    const HWND work = FindWindowW(win32::FORM_CLASS, win32::Wide(WorkWinLayout().caption).c_str());
    if (main == nullptr || work == nullptr) {
        std::printf("none\n");
        return 0;
    }
    if (argc > 1 && std::string(argv[1]) == "minimise") {
        ShowWindow(main, SW_MINIMIZE);
    }
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
    std::string focusName;
    Dump(MainWinLayout(), main, thread.hwndFocus, focusName);
    Dump(WorkWinLayout(), work, thread.hwndFocus, focusName);
    std::printf("focus\t%s\n", focusName.c_str());
    std::printf("windows\t%d\n", CountMainWindows());
    std::printf("iconic\t%d\n", IsIconic(main) ? 1 : 0);
    std::printf("foreground\t%d\n", GetForegroundWindow() == main ? 1 : 0);
    return 0;
}
