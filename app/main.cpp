// The program's entry: the reader lists over the system's HID support, the application, then the
// two windows and the message loop. At exit (the main window closed, or SIGTERM, SIGINT or SIGHUP)
// the windows go first, then the lists close every handle they still hold, HidVP51 first. No
// command line, file or variable of its own; the exit code is always 0.
#include "app/shell.hpp"
#include "app/termination.hpp"
#include "link/platform_factory.hpp"

int main(int argc, char** argv) {
    const auto platform = zrt::link::MakeSystemPlatform();
    zrt::app::ReaderLists lists(*platform);
    zrt::app::Application application(argc, argv);
    zrt::app::TerminationSignals termination;
    return zrt::app::RunWindows(application, *platform, lists);
}
