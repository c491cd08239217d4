// The Windows program's entry (a GUI program: no console window): the reader lists over the
// system's HID support, then the windows (main, progress, provisioning dialog) and the message loop. An error of the general kind
// that escapes window creation or a message is shown in a box and the loop goes on; closing the
// main window ends it. At exit the windows go first, then the lists close every handle they still
// hold, HidVP51 first. The main window passes the system's HID arrival and removal notifications
// to the platform, so that the poll searches only after one. The exit code is 0. One window per
// user: a second start brings the running window to the front and ends at once, with code 0. With
// ZRT_TRACE=FILE every report and search of the reader link is appended to FILE
// (link/trace_platform.hpp). The window speaks the user's interface language (ui/words.hpp).
#include <windows.h>
// (after <windows.h>)
extern "C" {
#include <hidsdi.h>
}

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "app/reader_lists.hpp"
#include "app/windows/win_single_instance.hpp"
#include "core/reader_service.hpp"
#include "link/platform_factory.hpp"
#include "link/trace_platform.hpp"
#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/provision_win.hpp"
#include "ui/win32/win_dialogs.hpp"
#include "ui/win32/win_form.hpp"
#include "ui/work_win.hpp"

namespace {

void ShowError(const char* message) {
    MessageBoxW(GetActiveWindow(), zrt::ui::win32::Wide(message).c_str(),
                zrt::ui::win32::Wide(zrt::ui::MainWinLayout().caption).c_str(),
                MB_OK | MB_ICONERROR);
}

void RunWindows(zrt::link::HidPlatform& platform, zrt::app::ReaderLists& lists,
                zrt::app::WinSingleInstance& instance) {
    using namespace zrt::ui;
    zrt::core::ReaderService readers(platform, lists.HidVP41, lists.HidVP51);
    const Language language =
        SystemLanguage(static_cast<std::uint16_t>(PRIMARYLANGID(GetUserDefaultUILanguage())));
    win32::WinForm mainForm(MainWinLayout(language), true);
    win32::WinDialogs dialogs(mainForm);
    win32::WinFileDialogs fileDialogs(mainForm);
    win32::WinWaiter waiter;
    TMainWin MainWin(mainForm, readers, dialogs, waiter, language);
    MainWin.AttachFileDialogs(fileDialogs);
    mainForm.SetEventSink(&MainWin);
    mainForm.SetFileDropHandler([&](const std::string& path) { MainWin.FileDropped(path); });
    // The loop waits on the system's signals of HID interfaces changing (WM_DEVICECHANGE for the
    // HID interface class, sent to the main window), so that the poll searches only after one.
    if (zrt::link::HidChanges* changes = platform.Changes(); changes != nullptr) {
        GUID hidClass;
        HidD_GetHidGuid(&hidClass);
        if (mainForm.WatchDeviceInterfaces(hidClass, [changes] { changes->Arrived(); })) {
            changes->Watched();
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

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    const auto started = std::chrono::steady_clock::now();
    // The upload blocks the loop for seconds by design: the windows must not be replaced by the
    // system's "not responding" image meanwhile.
    DisableProcessWindowsGhosting();
    zrt::app::WinSingleInstance instance;
    if (instance.HandOverToRunning()) {
        return 0;
    }
    const std::unique_ptr<zrt::link::HidPlatform> platform = zrt::link::MakeSystemPlatform();
    std::unique_ptr<zrt::link::TracePlatform> trace;
    if (const wchar_t* traceFile = _wgetenv(L"ZRT_TRACE"); traceFile != nullptr && *traceFile) {
        std::string error;
        trace = zrt::link::OpenTrace(*platform, zrt::ui::win32::Utf8(traceFile), started, error);
        if (!trace) {
            ShowError(("ZRT_TRACE: " + error).c_str());
        }
    }
    zrt::link::HidPlatform& used = trace ? *trace : *platform;
    zrt::app::ReaderLists lists(used);
    try {
        RunWindows(used, lists, instance);
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
    return 0;
}
