// The Win32 shell: the two windows over the reader service, the watch of the HID interfaces and
// the message loop.
#include "app/windows/win_shell.hpp"

// (after <windows.h>)
extern "C" {
#include <hidsdi.h>
}

#include <cstdint>
#include <exception>
#include <string>

#include "core/reader_service.hpp"
#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/provision_win.hpp"
#include "ui/traced_dialogs.hpp"
#include "ui/win32/win_dialogs.hpp"
#include "ui/work_win.hpp"

namespace zrt::app {

void ShowError(const char* message) {
    MessageBoxW(GetActiveWindow(), ui::win32::Wide(message).c_str(),
                ui::win32::Wide(ui::MainWinLayout().caption).c_str(), MB_OK | MB_ICONERROR);
}

namespace {

// The README page and the licence are installed (and unpacked from the zip) beside the programs.
ui::Documents DocumentsBesideTheProgram() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            break;
        }
        path.resize(path.size() * 2);
    }
    path.resize(length);
    path.resize(path.rfind(L'\\') + 1);
    const std::string folder = ui::win32::Utf8(path);
    return {folder + "README.html", folder + "LICENSE.txt"};
}

}  // namespace

ui::Language WindowLanguage() {
    return texts::SystemLanguage(
        static_cast<std::uint16_t>(PRIMARYLANGID(GetUserDefaultUILanguage())));
}

void RunWindows(link::HidPlatform& platform, ReaderLists& lists, WinSingleInstance& instance,
                const std::string& traceError, ui::win32::DeviceRegistration registration) {
    using namespace ui;
    core::ReaderService readers(platform, lists.HidVP41, lists.HidVP51);
    const Language language = WindowLanguage();
    win32::WinForm mainForm(MainWinLayout(language), true);
    win32::WinDialogs winDialogs(mainForm);
    TracedDialogs dialogs(winDialogs);
    win32::WinFileDialogs winFileDialogs(mainForm);
    TracedFileDialogs fileDialogs(winFileDialogs);
    win32::WinWaiter waiter;
    TMainWin MainWin(mainForm, readers, dialogs, waiter, language);
    MainWin.AttachFileDialogs(fileDialogs);
    MainWin.AttachDocuments(DocumentsBesideTheProgram());
    mainForm.SetEventSink(&MainWin);
    mainForm.SetFileDropHandler([&](const std::string& path) { MainWin.FileDropped(path); });
    // The loop waits on the system's signals of HID interfaces changing (WM_DEVICECHANGE for the
    // HID interface class, sent to the main window), so that the poll searches only after one.
    if (link::HidChanges* changes = platform.Changes(); changes != nullptr) {
        GUID hidClass;
        HidD_GetHidGuid(&hidClass);
        if (mainForm.WatchDeviceInterfaces(
                hidClass, [changes] { changes->Arrived(); }, registration)) {
            changes->Watched();
        } else {
            changes->WatchRefused();
        }
    }

    win32::WinForm workForm(WorkWinLayout(language), false);
    TWorkWin WorkWin(workForm);
    MainWin.AttachWorkWin(WorkWin);
    // The provisioning dialog, modal over the main window, with boxes of its own.
    win32::WinForm provForm(ProvWinLayout(language), false, mainForm.Window());
    win32::WinDialogs provDialogs(provForm);
    TProvWin ProvWin(provForm, platform, provDialogs, waiter, language);
    provForm.SetEventSink(&ProvWin);
    MainWin.AttachProvWin(ProvWin);

    instance.Listen(mainForm.Window());
    if (!traceError.empty()) {
        MainWin.ShowTraceNotOpened(traceError);
    }
    mainForm.Show();  // the first activation loads the reader
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        try {
            if (!win32::WinForm::PreTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        } catch (const std::exception& error) {
            ShowError(error.what());
        }
    }
}

}  // namespace zrt::app
