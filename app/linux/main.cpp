// The program's entry: the reader lists over the system's HID support, the application, then the
// two windows and the message loop. At exit (the main window closed, or SIGTERM, SIGINT or SIGHUP)
// the windows go first, then the lists close every handle they still hold, HidVP51 first. No
// command line, file or variable of its own; the exit code is 0, or 1 when there is no graphical
// session to show a window in. A second start for the same user and display brings the running
// window to the front and ends. The program's trace (link/trace.hpp) begins with its header and
// goes between the reader lists and the system; with ZRT_TRACE=FILE it is appended to FILE as
// well (a FILE that cannot be opened is said on standard error and in a box).
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/linux/shell.hpp"
#include "app/linux/single_instance.hpp"
#include "app/linux/termination.hpp"
#include "link/platform_factory.hpp"
#include "link/trace.hpp"
#include "link/trace_platform.hpp"
#include "texts/texts.hpp"
#include "ui/layout.hpp"

int main(int argc, char** argv) {
    if (!zrt::app::HasGraphicalSession()) {
        std::fputs("zrt-vivoraz: no graphical session (DISPLAY is not set)\n", stderr);
        return 1;
    }
    zrt::link::Trace& trace = zrt::link::Trace::Program();
    trace.Start(zrt::link::ThisProgram(
        "zrt-vivoraz", zrt::texts::LanguageCode(zrt::texts::SystemLanguage(std::nullopt)),
        zrt::link::CommandLineText("zrt-vivoraz",
                                   std::vector<std::string>(argv + 1, argv + argc))));
    std::string traceError;
    if (const char* traceFile = std::getenv("ZRT_TRACE"); traceFile != nullptr && *traceFile) {
        if (!trace.OpenFile(traceFile, traceError)) {
            std::fprintf(stderr, "zrt-vivoraz: ZRT_TRACE: %s\n", traceError.c_str());
        }
    }
    const auto platform = zrt::link::MakeSystemPlatform();
    zrt::link::TracePlatform used(*platform, trace);
    zrt::app::ReaderLists lists(used);
    zrt::app::Application application(argc, argv);
    zrt::app::SingleInstance instance;
    if (instance.HandOverToRunning()) {
        return 0;
    }
    instance.Listen(QString::fromStdString(zrt::ui::MainWinLayout().name));
    zrt::app::TerminationSignals termination;
    return zrt::app::RunWindows(application, used, lists, traceError);
}
