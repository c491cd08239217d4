// The program's entry: the reader lists over the system's HID support, the application, then the
// two windows and the message loop. At exit (the main window closed, or SIGTERM, SIGINT or SIGHUP)
// the windows go first, then the lists close every handle they still hold, HidVP51 first. No
// command line, file or variable of its own; the exit code is 0, or 1 when there is no graphical
// session to show a window in. A second start for the same user and display brings the running
// window to the front and ends.
#include <cstdio>

#include "app/shell.hpp"
#include "app/single_instance.hpp"
#include "app/termination.hpp"
#include "link/hidraw_platform.hpp"
#include "ui/layout.hpp"

int main(int argc, char** argv) {
    if (!zrt::app::HasGraphicalSession()) {
        std::fputs("zrt-vivoraz: no graphical session (DISPLAY is not set)\n", stderr);
        return 1;
    }
    zrt::link::HidrawPlatform platform;
    zrt::app::ReaderLists lists(platform);
    zrt::app::Application application(argc, argv);
    zrt::app::SingleInstance instance;
    if (instance.HandOverToRunning()) {
        return 0;
    }
    instance.Listen(QString::fromStdString(zrt::ui::MainWinLayout().name));
    zrt::app::TerminationSignals termination;
    return zrt::app::RunWindows(application, platform, lists);
}
