// Both windows at work on the Qt backend (offscreen), for the tests of what the backend reports
// to the window logic: the window logic over the reader service and the in-process virtual
// platform with virtual readers, the recording fakes of the message boxes and of the waits (no
// real time passes), and a catalogue of test images.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <string>
#include <vector>

#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/work_win.hpp"
#include "ui_fixture.hpp"
#include "window_readers.hpp"

namespace zrt::ui::test {

class QtBehaviour : public ::testing::Test, protected WindowReaders {
  protected:
    QtBehaviour() {
        boxes.answer = true;
        win.AttachWorkWin(work);
    }

    // The main window shown and active, its first activation done without a sink; events reach
    // the window from then on only when a test calls a handler or runs the loop.
    void ShowActive() {
        mainForm.show();
        mainForm.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&mainForm));
    }
    void Connect() { mainForm.SetEventSink(&events); }

    QWidget* W(const std::string& name) const { return mainForm.Widget(name); }
    QWidget* Focused() const { return QApplication::focusWidget(); }

    FakeDialogs boxes;
    FakeWaiter waits;
    qt::QtForm mainForm{MainWinLayout()};
    qt::QtForm workForm{WorkWinLayout()};
    TMainWin win{mainForm, readers, boxes, waits};
    TWorkWin work{workForm};
    RecordingSink events{&win};
};

}  // namespace zrt::ui::test
