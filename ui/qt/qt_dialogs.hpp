// The message-box and waiting seams on Qt: plain modal boxes owned by the main window, and waits
// that sleep on the user-interface thread while one control goes on being painted.
#pragma once

#include "ui/controls.hpp"

class QWidget;

namespace zrt::ui::qt {

class QtDialogs : public Dialogs {
  public:
    // `owner`: the window that owns the boxes; their caption is its title.
    explicit QtDialogs(QWidget& owner) : owner_(&owner) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;

  private:
    QWidget* owner_;
};

// Sleeps in steps of at most 10 ms, repainting `keepPainted` after each; handles no event.
class QtWaiter : public Waiter {
  public:
    static constexpr int STEP_MS = 10;
    void Wait(int milliseconds, Control* keepPainted) override;
};

}  // namespace zrt::ui::qt
