// The Windows program's entry (a GUI program: no console window): the reader lists over the
// system's HID support, then the two windows and the message loop (app/windows/win_shell.hpp). An
// error of the general kind that escapes window creation or a message is shown in a box and the
// loop goes on; closing the main window ends it. At exit the windows go first, then the lists
// close every handle they still hold, HidVP51 first. The exit code is 0. One window per user: a
// second start brings the running window to the front and ends at once, with code 0. The
// program's trace (link/trace.hpp) begins with its header and goes between the reader lists and
// the system; with ZRT_TRACE=FILE it is appended to FILE as well (a FILE that cannot be opened is
// said in a box once the window shows). The window speaks the user's interface language
// (texts/texts.hpp).
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "app/reader_lists.hpp"
#include "app/windows/win_shell.hpp"
#include "app/windows/win_single_instance.hpp"
#include "link/platform_factory.hpp"
#include "link/trace.hpp"
#include "link/trace_platform.hpp"
#include "texts/texts.hpp"
#include "ui/win32/win_controls.hpp"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    // The upload blocks the loop for seconds by design: the windows must not be replaced by the
    // system's "not responding" image meanwhile.
    DisableProcessWindowsGhosting();
    zrt::app::WinSingleInstance instance;
    if (instance.HandOverToRunning()) {
        return 0;
    }
    zrt::link::Trace& trace = zrt::link::Trace::Program();
    trace.Start(zrt::link::ThisProgram("zrt-vivoraz",
                                       zrt::texts::LanguageCode(zrt::app::WindowLanguage()),
                                       zrt::ui::win32::Utf8(GetCommandLineW())));
    std::string traceError;
    if (const wchar_t* traceFile = _wgetenv(L"ZRT_TRACE"); traceFile != nullptr && *traceFile) {
        trace.OpenFile(zrt::ui::win32::Utf8(traceFile), traceError);
    }
    const std::unique_ptr<zrt::link::HidPlatform> platform = zrt::link::MakeSystemPlatform();
    zrt::link::TracePlatform used(*platform, trace);
    zrt::app::ReaderLists lists(used);
    try {
        zrt::app::RunWindows(used, lists, instance, traceError);
    } catch (const std::exception& error) {
        zrt::app::ShowError(error.what());
    }
    return 0;
}
