// Shared pieces of the ui tests: recording fakes of the message-box and waiting seams, a sink that
// logs every event before passing it on, and a main window on the Qt backend over a virtual HID
// platform with no reader.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

#include "link/hid_vp_tab.hpp"
#include "sim/virtual_platform.hpp"
#include "ui/layout.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/wmain.hpp"

namespace zrt::ui::test {

class FakeDialogs : public Dialogs {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        questions.emplace_back(caption, text);
        return answer;
    }
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, std::string>> questions;
    bool answer = false;
};

class FakeWaiter : public Waiter {
  public:
    void Wait(int milliseconds, Control* /*keepPainted*/) override {
        waits.push_back(milliseconds);
    }
    std::vector<int> waits;
};

// Logs "handler:sender" for every event, then hands it on.
class RecordingSink : public EventSink {
  public:
    explicit RecordingSink(EventSink* next) : next_(next) {}
    void OnEvent(std::string_view handler, Component& sender) override {
        log.push_back(std::string(handler) + ":" + sender.Name());
        if (next_ != nullptr) {
            next_->OnEvent(handler, sender);
        }
    }
    std::vector<std::string> log;

  private:
    EventSink* next_;
};

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
    TMainWin win{form, platform, hidVP41, hidVP51, dialogs, waiter};
    RecordingSink events{&win};
};

}  // namespace zrt::ui::test
