// The main window at work without any toolkit, for the behaviour suite: both windows on the plain
// control set, the reader service over the in-process virtual platform with virtual readers, the
// recording fakes of the message boxes and of the waits (no real time passes, events may be run
// inside them) noting a little more, and a catalogue of test images.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fakes.hpp"
#include "plain_form.hpp"
#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/work_win.hpp"
#include "window_readers.hpp"

namespace zrt::ui::test {

// The fake message boxes, each also noting whether the poll timer ran while it was open, in one
// list of plain boxes and questions (a plain box has no caption).
class BoxRecorder : public FakeDialogs {
  public:
    struct Box {
        std::string caption;
        std::string text;
        bool timerEnabled = false;
    };
    void ShowMessage(const std::string& text) override {
        FakeDialogs::ShowMessage(text);
        boxes.push_back({"", text, TimerOn()});
    }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        boxes.push_back({caption, text, TimerOn()});
        return FakeDialogs::AskYesNo(caption, text);
    }

    std::vector<Box> boxes;
    ui::Timer* timer = nullptr;

  private:
    bool TimerOn() const { return timer != nullptr && timer->Enabled(); }
};

// The fake waits, each also noting the bar it keeps painted (position, maximum, shown) and the
// control with the focus.
class WaitRecorder : public FakeWaiter {
  public:
    struct Step {
        int milliseconds = 0;
        int position = -1;
        int maximum = -1;
        bool barShown = false;
        Component* focus = nullptr;
        Control* painted = nullptr;
    };
    void Wait(int milliseconds, Control* keepPainted) override {
        FakeWaiter::Wait(milliseconds, keepPainted);
        Step step{milliseconds};
        step.painted = keepPainted;
        if (auto* bar = dynamic_cast<ProgressBar*>(keepPainted)) {
            step.position = bar->Position();
            step.maximum = bar->Max();
            step.barShown = bar->Visible();
        }
        step.focus = desktop != nullptr ? desktop->Focused() : nullptr;
        steps.push_back(step);
        if (during) {
            during();
        }
    }
    std::vector<Step> steps;
    plain::PlainDesktop* desktop = nullptr;
    // Runs inside every wait, as events that a toolkit delivers while it paints the window.
    std::function<void()> during;
};

class Behaviour : public ::testing::Test, protected WindowReaders {
  protected:
    Behaviour() {
        boxes.answer = true;
        boxes.timer = &win.Timer;
        waits.desktop = &desktop;
        win.AttachWorkWin(work);
    }

    // The main window shown with the focus, its first activation gone by without a sink; events
    // reach the window from then on only when a test calls a handler, clicks or runs the loop.
    void ShowActive() {
        mainForm.Window().Show();
        mainForm.Window().SetFocus();
        desktop.RunLoop();
    }
    void Connect() { mainForm.SetEventSink(&events); }

    // The main window's controls by name.
    Component* C(const std::string& name) { return mainForm.Find(name); }
    Control& Ctl(const std::string& name) { return mainForm.Get<Control>(name); }
    CheckBox& Box(const std::string& name) { return mainForm.Get<CheckBox>(name); }
    ItemList& List(const std::string& name) { return mainForm.Get<ItemList>(name); }
    bool Enabled(const std::string& name) { return Ctl(name).Enabled(); }
    bool Hidden(const std::string& name) { return !Ctl(name).Visible(); }
    bool Checked(const std::string& name) { return Box(name).Checked(); }
    std::string Caption(plain::PlainForm& form, const std::string& name) {
        return dynamic_cast<plain::PlainControl&>(form.Get<Control>(name)).Caption();
    }
    std::string Status() { return Caption(mainForm, "RdLbl"); }
    Component* Focused() const { return desktop.Focused(); }

    void Activate() { win.FormActivate(win.Form); }
    void Tick() { win.TimerTimer(win.Timer); }
    void Write() { win.WrBtnClick(win.WrBtn); }

    BoxRecorder boxes;
    WaitRecorder waits;
    plain::PlainDesktop desktop;
    plain::PlainForm mainForm{desktop, MainWinLayout()};
    plain::PlainForm workForm{desktop, WorkWinLayout()};
    TMainWin win{mainForm, readers, boxes, waits};
    TWorkWin work{workForm};
    RecordingSink events{&win};
};

}  // namespace zrt::ui::test
