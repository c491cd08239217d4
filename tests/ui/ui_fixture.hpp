// The main window on the Qt backend over a virtual HID platform with no reader, with the
// recording fakes of fakes.hpp.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <string>

#include "core/reader_service.hpp"
#include "fakes.hpp"
#include "link/hid_vp_tab.hpp"
#include "sim/virtual_platform.hpp"
#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/qt/qt_form.hpp"

namespace zrt::ui::test {

class MainWinTest : public ::testing::Test {
  protected:
    MainWinTest() { form.SetEventSink(&events); }

    template <class W = QWidget>
    W* Find(const std::string& name) {
        return form.findChild<W*>(QString::fromStdString(name));
    }
    // Shows the window and waits until it is the active window, so that focus can be tested.
    // Unless `deliverActivation`, the activation handler does not run, so the window keeps the
    // states it was built with (FormActivate would show the not-connected state).
    void ShowActive(bool deliverActivation = false) {
        form.SetEventSink(deliverActivation ? &events : nullptr);
        form.show();
        form.activateWindow();
        const bool active = QTest::qWaitForWindowActive(&form);
        form.SetEventSink(&events);
        ASSERT_TRUE(active);
    }
    QWidget* Focused() const { return QApplication::focusWidget(); }

    sim::VirtualPlatform platform;
    link::HidVPTab hidVP41{platform};
    link::HidVPTab hidVP51{platform};
    FakeDialogs dialogs;
    FakeWaiter waiter;
    qt::QtForm form{MainWinLayout()};
    core::ReaderService readers{platform, hidVP41, hidVP51};
    TMainWin win{form, readers, dialogs, waiter};
    RecordingSink events{&win};
};

}  // namespace zrt::ui::test
