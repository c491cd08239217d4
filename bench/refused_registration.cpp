// zrt_bench_refused_registration.exe: the window program as zrt-vivoraz.exe runs it, on a system
// that refuses the main window's registration for device notifications (RegisterDeviceNotificationW
// failing): its poll then searches on every tick. Started under wine in the umockdev bed by
// zrt_bench_idle_bed --plug K, it gives the delay from a plug-in to the loaded reader (its first
// "c"). With ZRT_TRACE=FILE the link's trace is appended to FILE, as the program's is.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/reader_lists.hpp"
#include "app/windows/win_shell.hpp"
#include "app/windows/win_single_instance.hpp"
#include "link/platform_factory.hpp"
#include "link/trace.hpp"
#include "link/trace_platform.hpp"
#include "ui/win32/win_controls.hpp"

namespace {

HDEVNOTIFY WINAPI Refuse(HANDLE /*recipient*/, LPVOID /*filter*/, DWORD /*flags*/) {
    SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    return nullptr;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    zrt::app::WinSingleInstance instance(L"Local\\ZrT_VivoRaz.bench.refused-registration");
    zrt::link::Trace& trace = zrt::link::Trace::Program();
    if (const wchar_t* traceFile = _wgetenv(L"ZRT_TRACE"); traceFile != nullptr && *traceFile) {
        std::string error;
        trace.OpenFile(zrt::ui::win32::Utf8(traceFile), error);
    }
    const std::unique_ptr<zrt::link::HidPlatform> platform = zrt::link::MakeSystemPlatform();
    zrt::link::TracePlatform used(*platform, trace);
    zrt::app::ReaderLists lists(used);
    zrt::app::RunWindows(used, lists, instance, {}, &Refuse);
    return 0;
}
