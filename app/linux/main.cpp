// The program's entry: the reader lists over the system's HID support, the application, then the
// two windows and the message loop. At exit (the main window closed, or SIGTERM, SIGINT or SIGHUP)
// the windows go first, then the lists close every handle they still hold, HidVP51 first. No
// command line, file or variable of its own; the exit code is 0, or 1 when there is no graphical
// session to show a window in. A second start for the same user and display brings the running
// window to the front and ends. With ZRT_TRACE=FILE every report and search of the reader link is
// appended to FILE (link/trace_platform.hpp).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/linux/shell.hpp"
#include "app/linux/single_instance.hpp"
#include "app/linux/termination.hpp"
#include "link/platform_factory.hpp"
#include "link/trace_platform.hpp"
#include "ui/layout.hpp"

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    if (!zrt::app::HasGraphicalSession()) {
        std::fputs("zrt-vivoraz: no graphical session (DISPLAY is not set)\n", stderr);
        return 1;
    }
    const auto platform = zrt::link::MakeSystemPlatform();
    std::unique_ptr<zrt::link::TracePlatform> trace;
    if (const char* traceFile = std::getenv("ZRT_TRACE"); traceFile != nullptr && *traceFile) {
        std::string error;
        trace = zrt::link::OpenTrace(*platform, traceFile, started, error);
        if (!trace) {
            std::fprintf(stderr, "zrt-vivoraz: ZRT_TRACE: %s\n", error.c_str());
        }
    }
    zrt::link::HidPlatform& used = trace ? *trace : *platform;
    zrt::app::ReaderLists lists(used);
    zrt::app::Application application(argc, argv);
    zrt::app::SingleInstance instance;
    if (instance.HandOverToRunning()) {
        return 0;
    }
    instance.Listen(QString::fromStdString(zrt::ui::MainWinLayout().name));
    zrt::app::TerminationSignals termination;
    return zrt::app::RunWindows(application, used, lists);
}
