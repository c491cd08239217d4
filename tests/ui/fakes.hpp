// Recording fakes of the message-box and waiting seams, and a sink that logs every event before
// passing it on. Free of any toolkit.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/controls.hpp"

namespace zrt::ui::test {

class FakeDialogs : public Dialogs {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        questions.emplace_back(caption, text);
        return answer;
    }
    void WarningSound() override { ++sounds; }
    std::vector<std::string> messages;
    int sounds = 0;
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

}  // namespace zrt::ui::test
