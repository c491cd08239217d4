// The program's entry: the two reader lists, the application, the main window and the hidden
// progress window, then the message loop. The exit code is always 0.
#include <QApplication>

#include <cstdint>
#include <string>
#include <vector>

#include "link/hid_platform.hpp"
#include "link/hid_vp_tab.hpp"
#include "ui/layout.hpp"
#include "ui/qt/qt_dialogs.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/wmain.hpp"
#include "ui/wwork.hpp"

namespace {

// Stands in for the system's HID support until the platform backend is wired in: it lists no
// interface, so the window shows no reader.
class NoHidPlatform : public zrt::link::HidPlatform {
  public:
    bool ListInterfaces(std::vector<zrt::link::HidInterface>& out) override {
        out.clear();
        return true;
    }
    zrt::link::HidHandle Open(const std::string&) override {
        return zrt::link::INVALID_HANDLE_VALUE;
    }
    bool GetIds(zrt::link::HidHandle, zrt::link::HidIds&) override { return false; }
    bool SetFeature(zrt::link::HidHandle, const std::uint8_t*, std::size_t) override {
        return false;
    }
    bool GetFeature(zrt::link::HidHandle, std::uint8_t*, std::size_t) override { return false; }
    void Close(zrt::link::HidHandle) override {}
};

NoHidPlatform platform;
// The reader lists outlive both windows; they close every handle they still hold at exit.
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
