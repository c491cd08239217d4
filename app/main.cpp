// The program's entry: the two reader lists, the application, the main window and the hidden
// progress window, then the message loop. The exit code is always 0.
#include <QApplication>

#include "link/hid_vp_tab.hpp"
#include "link/hidraw_platform.hpp"
#include "ui/layout.hpp"
#include "ui/qt/qt_dialogs.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/wmain.hpp"
#include "ui/wwork.hpp"

namespace {

// The system's HID support, then the reader lists over it: objects of static lifetime that exist
// before the windows and outlive them; the lists close every handle they still hold at exit.
zrt::link::HidrawPlatform platform;
zrt::link::HidVPTab HidVP41(platform);
zrt::link::HidVPTab HidVP51(platform);

}  // namespace

int main(int argc, char** argv) {
    using namespace zrt::ui;
    QApplication application(argc, argv);

    qt::QtForm mainForm(MainWinLayout());
    qt::QtDialogs dialogs(mainForm);
    qt::QtWaiter waiter;
    TMainWin MainWin(mainForm, platform, HidVP41, HidVP51, dialogs, waiter);
    mainForm.SetEventSink(&MainWin);

    qt::QtForm workForm(WorkWinLayout());
    TWorkWin WorkWin(workForm);
    MainWin.AttachWorkWin(WorkWin);

    mainForm.show();
    QApplication::exec();
    return 0;
}
