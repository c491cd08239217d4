// The Windows half of the program's end-to-end test: run under wine beside zrt-vivoraz.exe, it
// reads the program's windows from outside through the system's messages and prints one line per
// control of both layouts, "<name>\t<visible>\t<enabled>\t<value>\t<text>" (value: a check box's
// state, the selected item of a list or radio group, a progress bar's position), then
// "focus\t<name of the control with the keyboard focus>", "windows\t<number of main windows>",
// "iconic\t<1 when the main window is minimised>" and "foreground\t<1 when it is the foreground
// window>". "none" when the main window is not there. The provisioning dialog's controls follow while it is there (a list's value is
// its number of lines and its text the first line; a banner's value is 1 while it is marked).
// Arguments that act before the lines: "minimise" minimises the main window; "menu NAME" chooses
// the main window's menu command NAME; "click NAME" clicks the dialog's button NAME; "answer
// [PATH]" puts PATH in the file name of the program's open system dialog (a file dialog) and
// presses its OK, or without PATH the OK of its box. Last comes "dialog\t<title of the program's
// open system dialog>", empty without one.
#include <windows.h>

#include <commctrl.h>  // after windows.h

#include <cstdio>
#include <string>
#include <string_view>

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

std::string FirstLine(HWND list) {
    const auto length = Ask(list, LB_GETTEXTLEN, 0);
    if (length <= 0 || length >= 1024) {
        return "";
    }
    wchar_t text[1024] = {};
    Ask(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return win32::Utf8(text);
}

// The command identifier of the main window's menu command `name`: MENU_ID_BASE and up, the
// commands in the layout's order, separators not counted.
UINT MenuId(const std::string& name) {
    UINT id = win32::MENU_ID_BASE;
    for (const MenuLayout& menu : MainWinLayout().menus) {
        for (const MenuItemLayout& item : menu.items) {
            if (item.name == name) {
                return id;
            }
            id += item.name.empty() ? 0 : 1;
        }
    }
    return 0;
}

// The program's visible system dialog (class #32770: a box or a file dialog).
HWND SystemDialog(HWND main) {
    struct Search {
        DWORD process;
        HWND found;
    } search{0, nullptr};
    GetWindowThreadProcessId(main, &search.process);
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[16] = {};
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            GetClassNameW(hwnd, name, 16);
            if (process == s->process && IsWindowVisible(hwnd) &&
                std::wstring_view(name) == L"#32770") {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A file dialog's file name: the combo box cmb13 of the Explorer style, or the edit box edt1.
void AnswerDialog(HWND dialog, const char* path) {
    if (path != nullptr) {
        const std::wstring name = win32::Wide(path);
        for (int id : {0x47C, 0x480}) {
            if (const HWND box = GetDlgItem(dialog, id); box != nullptr) {
                SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
            }
        }
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
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
            case ControlKind::List:
                value = static_cast<long>(Ask(hwnd, LB_GETCOUNT));
                break;
            case ControlKind::Banner:
                value = win32::Marked(hwnd) ? 1 : 0;
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
                    IsWindowEnabled(hwnd) ? 1 : 0, value,
                    (c.kind == ControlKind::List ? FirstLine(hwnd) : Text(hwnd)).c_str());
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
    HWND prov = nullptr;  // by its caption in either language
    for (const Language language : {Language::Polish, Language::English}) {
        if (prov == nullptr) {
            prov = FindWindowW(win32::FORM_CLASS,
                               win32::Wide(ProvWinLayout(language).caption).c_str());
        }
    }
    const std::string action = argc > 1 ? argv[1] : "";
    if (action == "minimise") {
        ShowWindow(main, SW_MINIMIZE);
    } else if (action == "menu" && argc > 2) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(MenuId(argv[2]), 0), 0);
    } else if (action == "click" && argc > 2 && prov != nullptr) {
        const ControlLayout* c = ProvWinLayout().Find(argv[2]);
        if (c != nullptr) {
            const auto index = static_cast<int>(c - ProvWinLayout().controls.data());
            PostMessageW(Child(prov, win32::CONTROL_ID_BASE + index), BM_CLICK, 0, 0);
        }
    } else if (action == "answer") {
        if (const HWND dialog = SystemDialog(main); dialog != nullptr) {
            AnswerDialog(dialog, argc > 2 ? argv[2] : nullptr);
        }
    }
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
    std::string focusName;
    Dump(MainWinLayout(), main, thread.hwndFocus, focusName);
    Dump(WorkWinLayout(), work, thread.hwndFocus, focusName);
    if (prov != nullptr) {
        Dump(ProvWinLayout(), prov, thread.hwndFocus, focusName);
    }
    const HWND dialog = SystemDialog(main);
    std::printf("dialog\t%s\n", dialog != nullptr ? Text(dialog).c_str() : "");
    std::printf("focus\t%s\n", focusName.c_str());
    std::printf("windows\t%d\n", CountMainWindows());
    std::printf("iconic\t%d\n", IsIconic(main) ? 1 : 0);
    std::printf("foreground\t%d\n", GetForegroundWindow() == main ? 1 : 0);
    return 0;
}
